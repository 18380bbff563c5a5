// SPDX-License-Identifier: Apache-2.0
#pragma once
// Virtual time for tests: timers and posted events run in time order, one handler at a time, and
// only when the test advances the clock. A 12.5 s write sequence runs in microseconds.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/Timer.h"

namespace orvane::platform::fakes {

class VirtualClock;

class FakeTimer final : public Timer {
 public:
  explicit FakeTimer(VirtualClock& clock);
  ~FakeTimer() override;
  FakeTimer(const FakeTimer&) = delete;
  FakeTimer& operator=(const FakeTimer&) = delete;

  void SetInterval(std::chrono::milliseconds interval) override;
  std::chrono::milliseconds Interval() const override { return interval_; }
  void Start() override;
  void Stop() override { running_ = false; }
  bool IsRunning() const override { return running_; }

 private:
  friend class VirtualClock;
  VirtualClock& clock_;
  std::chrono::milliseconds interval_{1000};
  bool running_ = false;
  std::chrono::milliseconds due_{0};
  std::uint64_t order_ = 0;  // ties at the same instant run in the order they were scheduled
};

class VirtualClock {
 public:
  using Ms = std::chrono::milliseconds;

  // A timer on this clock, owned by the caller; it must not outlive the clock.
  std::unique_ptr<Timer> NewTimer() { return std::make_unique<FakeTimer>(*this); }
  platform::TimerFactory TimerFactory() {
    return [this] { return NewTimer(); };
  }

  // Runs fn at now + delay, after everything already due at that instant.
  void Post(Ms delay, std::function<void()> fn);

  // Runs every tick and event due up to now + span, in time order, then sets now to that time.
  void Advance(Ms span);
  // Runs what is due at this very instant (events posted by the test itself, for example).
  void RunDue() { Advance(Ms{0}); }

  Ms Now() const { return now_; }
  // True while a tick or event handler runs.
  bool InHandler() const { return inHandler_; }

 private:
  friend class FakeTimer;
  struct Event {
    Ms due;
    std::uint64_t order;
    std::function<void()> fn;
  };
  std::uint64_t NextOrder() { return nextOrder_++; }

  Ms now_{0};
  bool inHandler_ = false;
  std::uint64_t nextOrder_ = 0;
  std::vector<FakeTimer*> timers_;
  std::vector<Event> events_;
};

}  // namespace orvane::platform::fakes
