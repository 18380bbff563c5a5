// SPDX-License-Identifier: Apache-2.0
#pragma once
// An interval timer as the logic sees it. The first tick comes one full interval after Start;
// Start on a running timer changes nothing (its phase is kept). Ticks run on the one event
// thread, one handler at a time.

#include <chrono>
#include <functional>
#include <memory>
#include <utility>

namespace orvane::platform {

class Timer {
 public:
  using TickHandler = std::function<void()>;

  virtual ~Timer() = default;

  virtual void SetInterval(std::chrono::milliseconds interval) = 0;
  virtual std::chrono::milliseconds Interval() const = 0;
  virtual void Start() = 0;
  virtual void Stop() = 0;
  virtual bool IsRunning() const = 0;

  void SetTickHandler(TickHandler handler) { onTick_ = std::move(handler); }

 protected:
  void Tick() {
    if (onTick_) onTick_();
  }

 private:
  TickHandler onTick_;
};

// Makes the timers a session runs on: Qt timers in the program, virtual-time timers in tests.
using TimerFactory = std::function<std::unique_ptr<Timer>()>;

}  // namespace orvane::platform
