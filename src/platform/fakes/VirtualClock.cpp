// SPDX-License-Identifier: Apache-2.0
#include "platform/fakes/VirtualClock.h"

#include <algorithm>
#include <utility>

namespace orvane::platform::fakes {

void FakeTimer::SetInterval(std::chrono::milliseconds interval) {
  interval_ = interval;
  if (running_) {  // a new interval restarts the period from now, as a real timer does
    due_ = clock_.Now() + interval_;
    order_ = clock_.NextOrder();
  }
}

void FakeTimer::Start() {
  if (running_) return;
  running_ = true;
  due_ = clock_.Now() + interval_;
  order_ = clock_.NextOrder();
}

FakeTimer::FakeTimer(VirtualClock& clock) : clock_(clock) {
  clock_.timers_.push_back(this);
}

FakeTimer::~FakeTimer() {
  std::erase(clock_.timers_, this);
}

void VirtualClock::Post(Ms delay, std::function<void()> fn) {
  events_.push_back({now_ + std::max(delay, Ms{0}), NextOrder(), std::move(fn)});
}

void VirtualClock::Advance(Ms span) {
  const Ms until = now_ + span;
  for (;;) {
    // The earliest of the running timers and the posted events, ties by scheduling order.
    FakeTimer* timer = nullptr;
    for (FakeTimer* t : timers_) {
      if (t->running_ && t->due_ <= until &&
          (!timer || std::pair(t->due_, t->order_) < std::pair(timer->due_, timer->order_))) {
        timer = t;
      }
    }
    auto event = std::min_element(events_.begin(), events_.end(), [](const auto& a, const auto& b) {
      return std::pair(a.due, a.order) < std::pair(b.due, b.order);
    });
    const bool eventDue = event != events_.end() && event->due <= until;
    if (!timer && !eventDue) break;

    inHandler_ = true;
    if (eventDue &&
        (!timer || std::pair(event->due, event->order) < std::pair(timer->due_, timer->order_))) {
      now_ = event->due;
      auto fn = std::move(event->fn);
      events_.erase(event);
      fn();
    } else {
      now_ = timer->due_;
      timer->due_ += timer->interval_;
      timer->order_ = NextOrder();
      timer->Tick();
    }
    inHandler_ = false;
  }
  now_ = until;
}

}  // namespace orvane::platform::fakes
