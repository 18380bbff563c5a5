// SPDX-License-Identifier: Apache-2.0
#pragma once
// Port management and the link watchdog: start-up of the serial port, the Comm menu's port
// choice, the once-a-second tick that (re-)opens the port and judges the receiver's heartbeat,
// and the start of the baud-rate search after fifteen silent ticks.

#include <cstdint>

#include "platform/CommPort.h"
#include "supervision/BaudSearch.h"
#include "supervision/SupervisionEvents.h"

namespace orvane::supervision {

class PortWatchdog {
 public:
  static constexpr std::int16_t kHeartbeatTicks = 10;
  static constexpr std::int16_t kSilenceBeforeSearch = 15;
  static constexpr std::int16_t kFirstPort = 1;
  static constexpr std::int16_t kLastPort = 8;

  // The port as the link core passes it on, and the number that chooses its device.
  PortWatchdog(platform::LinePort& port, platform::PortChoice& choice, SupervisionEvents& events,
               BaudSearch& search)
      : port_(port), choice_(choice), events_(events), search_(search) {}

  // Start-up: line settings, port 1 chosen (not opened), the receiver not found.
  void Start();
  // Port n (1..8) chosen: the current port closes and the next tick opens n. Other numbers are
  // ignored.
  void ChoosePort(std::int16_t n);
  // Every 1000 ms.
  void OnWatchdogTick();
  // Every verified heartbeat frame.
  void OnHeartbeat();

  std::int16_t portNumber() const { return portNumber_; }
  std::int16_t heartbeatCountdown() const { return heartbeatCountdown_; }
  std::int16_t silenceTicks() const { return silenceTicks_; }

 private:
  platform::LinePort& port_;
  platform::PortChoice& choice_;
  SupervisionEvents& events_;
  BaudSearch& search_;
  std::int16_t portNumber_ = kFirstPort;
  // Ticks left before the receiver is declared not found; 0 while the countdown is not running.
  std::int16_t heartbeatCountdown_ = 0;
  // Ticks with the port open since the last heartbeat, up to kSilenceBeforeSearch.
  std::int16_t silenceTicks_ = 0;
};

}  // namespace orvane::supervision
