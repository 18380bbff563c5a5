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
  explicit FakeTimer(VirtualClock& clock) : clock_(clock) {}

  void SetInterval(std::chrono::milliseconds interval) override;
  std::chrono::milliseconds Interval() const override { return interval_; }
  void Start() override;
  void Stop() override { running_ = false; }
  bool IsRunning() const override { return running_; }

  // How many times this timer has ticked.
  int ticks() const { return ticks_; }

 private:
  friend class VirtualClock;
  VirtualClock& clock_;
  std::chrono::milliseconds interval_{1000};
  bool running_ = false;
  std::chrono::milliseconds due_{0};
  std::uint64_t order_ = 0;  // ties at the same instant run in the order they were scheduled
  int ticks_ = 0;
};

class VirtualClock {
 public:
  using Ms = std::chrono::milliseconds;

  // The clock owns its timers; they live as long as the clock.
  FakeTimer& CreateTimer();

  // Runs fn at now + delay, after everything already due at that instant.
  void Post(Ms delay, std::function<void()> fn);
  // Runs fn every period, the first time one period from now, until the clock goes away.
  void Every(Ms period, std::function<void()> fn);

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
  std::vector<std::unique_ptr<FakeTimer>> timers_;
  std::vector<Event> events_;
  std::vector<std::shared_ptr<std::function<void()>>> repeaters_;
};

}  // namespace orvane::platform::fakes
