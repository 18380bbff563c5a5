// SPDX-License-Identifier: Apache-2.0
#include "supervision/PortWatchdog.h"

#include <algorithm>

namespace orvane::supervision {

void PortWatchdog::Start() {
  // The port's other set-up (bytes, not text; every waiting byte in one event; a 4096-byte
  // input buffer) is what the serial port does by construction.
  port_.SetLineSettings(platform::kLine19200);
  portNumber_ = kFirstPort;
  events_.ReceiverNotFound();
}

void PortWatchdog::ChoosePort(std::int16_t n) {
  if (n < kFirstPort || n > kLastPort) return;
  portNumber_ = n;
  port_.Close();
}

void PortWatchdog::OnWatchdogTick() {
  if (port_.IsOpen()) {
    if (heartbeatCountdown_ != 0 && --heartbeatCountdown_ == 0) events_.ReceiverNotFound();
    silenceTicks_ = std::min<std::int16_t>(silenceTicks_ + 1, kSilenceBeforeSearch);
    // The search runs at most once per run.
    if (!search_.HasStarted() && silenceTicks_ == kSilenceBeforeSearch) search_.Start();
    return;
  }
  // Closed: try to open the chosen port. A successful open writes nothing; the counters wait.
  choice_.SetPortNumber(portNumber_);
  if (!port_.Open()) events_.PortNotAvailable(portNumber_);
}

void PortWatchdog::OnHeartbeat() {
  heartbeatCountdown_ = kHeartbeatTicks;
  silenceTicks_ = 0;
  events_.HeartbeatHeard();
}

}  // namespace orvane::supervision
