// SPDX-License-Identifier: Apache-2.0
#pragma once
// The baud-rate search: once per run, after fifteen silent seconds, step the port through the
// other speeds one per 2.5 s tick, ask the receiver at each to send only the three message types
// handled here, and at the first clean speed tell it to move to 19200 baud. From then on (or once
// every speed has been tried) the port is held at 19200 baud. A link without a line speed (a
// network link) is never searched.

#include <cstdint>

#include "link/FrameReceiver.h"
#include "platform/LineControl.h"
#include "platform/Timer.h"
#include "supervision/SupervisionEvents.h"

namespace orvane::supervision {

class BaudSearch {
 public:
  enum class Phase : std::uint8_t {
    NotStarted,
    Testing,         // each tick judges the speed the tick before set, then tries the next
    AllSpeedsTried,  // none was clean; the port is held at 19200
    Found,           // the speed change went out; the port is held at 19200
  };
  static constexpr auto kSpeeds = static_cast<std::int16_t>(platform::kReceiverSpeeds.size() - 1);

  // receiver frames port's bytes and hunts afresh whenever port's line settings change; it
  // judges each speed.
  BaudSearch(platform::LinePort& port, platform::Timer& timer, SupervisionEvents& events,
             const link::FrameReceiver& receiver)
      : port_(port), timer_(timer), events_(events), receiver_(receiver) {}

  // The watchdog starts the search at most once; never on a link without a line speed.
  void Start();
  bool HasStarted() const { return phase_ != Phase::NotStarted; }

  // Every 2500 ms once started.
  void OnSearchTick();

  Phase phase() const { return phase_; }
  // How many speeds have been set so far (the next testing step sets speed number speedsTried).
  std::int16_t speedsTried() const { return speedsTried_; }

 private:
  void TestNextSpeed();
  void TellReceiverTo19200();
  void HoldAt19200();

  platform::LinePort& port_;
  platform::Timer& timer_;
  SupervisionEvents& events_;
  const link::FrameReceiver& receiver_;
  Phase phase_ = Phase::NotStarted;
  std::int16_t speedsTried_ = 0;
};

}  // namespace orvane::supervision
