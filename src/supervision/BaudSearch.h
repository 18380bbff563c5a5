#pragma once
// The baud-rate search: once per run, after fifteen silent seconds, step the port through the
// other speeds one per 2.5 s tick, ask the receiver at each to send only the three message types
// handled here, and at the first clean speed tell it to move to 19200 baud. From then on (or once
// every speed has been tried) the port is held at 19200 baud.

#include <cstdint>

#include "link/FrameReceiver.h"
#include "platform/Controls.h"
#include "platform/SerialLine.h"
#include "platform/Timer.h"

namespace orvane::supervision {

class BaudSearch {
 public:
  // BaudStep 0..6: the next tick tests speed n (and steps 1..7 first judge the speed before).
  static constexpr std::int16_t kLastJudgement = 7;   // judges 1200 baud
  static constexpr std::int16_t kAllSpeedsTried = 8;  // none was clean; hold at 19200
  static constexpr std::int16_t kFound = 10;          // speed change sent; hold at 19200

  BaudSearch(platform::CommPort& port, platform::Timer& tmrComError, platform::Controls& controls,
             link::FrameReceiver& receiver)
      : port_(port), tmrComError_(tmrComError), controls_(controls), receiver_(receiver) {}

  // The watchdog starts the search at most once: BaudStep 0, tmrComError running.
  void Start();
  bool IsRunning() const { return tmrComError_.IsRunning(); }

  // tmrComError, every 2500 ms once started.
  void tmrComError_Timer();

  std::int16_t baudStep() const { return BaudStep; }

 private:
  bool SpeedIsClean() const;
  void TestingStep();
  void FoundStep();
  void HoldStep();

  platform::CommPort& port_;
  platform::Timer& tmrComError_;
  platform::Controls& controls_;
  link::FrameReceiver& receiver_;
  std::int16_t BaudStep = 0;
  // Frames verified when the port was last moved to a testing speed.
  std::uint32_t framesAtSpeedChange_ = 0;
};

}  // namespace orvane::supervision
