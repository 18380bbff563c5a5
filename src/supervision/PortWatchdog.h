#pragma once
// Port management and the link watchdog: start-up of the serial port, the Comm menu's port
// choice, the once-a-second tick that (re-)opens the port and judges the receiver's heartbeat,
// and the start of the baud-rate search after fifteen silent ticks.

#include <cstdint>

#include "platform/Controls.h"
#include "platform/SerialLine.h"
#include "supervision/BaudSearch.h"

namespace orvane::supervision {

inline constexpr const char* kOrvaneNotFound = "Orvane Not Found";
inline constexpr const char* kCommunicationsGood = "Communications Good";

class PortWatchdog {
 public:
  static constexpr std::int16_t kHeartbeatTicks = 10;
  static constexpr std::int16_t kSilenceBeforeSearch = 15;
  static constexpr std::int16_t kFirstPort = 1;
  static constexpr std::int16_t kLastPort = 8;

  PortWatchdog(platform::CommPort& port, platform::Controls& controls, BaudSearch& search)
      : port_(port), controls_(controls), search_(search) {}

  // Start-up: line settings, port 1 chosen (not opened), red "Orvane Not Found".
  void Form_Load();
  // The Comm menu's item n (1..8): choose port n and close the current one; the next tick
  // opens it.
  void mnuComm_Click(std::int16_t n);
  // Timer1, every 1000 ms.
  void Timer1_Timer();
  // Every verified heartbeat frame.
  void OnHeartbeat();

  std::int16_t commPortNumber() const { return CommPortNumber; }
  std::int16_t heartbeatCountdown() const { return HeartbeatCountdown; }
  std::int16_t silenceTicks() const { return SilenceTicks; }

 private:
  platform::CommPort& port_;
  platform::Controls& controls_;
  BaudSearch& search_;
  std::int16_t CommPortNumber = kFirstPort;
  std::int16_t HeartbeatCountdown = 0;
  std::int16_t SilenceTicks = 0;
};

}  // namespace orvane::supervision
