#include "supervision/PortWatchdog.h"

#include <string>

#include "link/Checksum.h"

namespace orvane::supervision {

using platform::Lamp::Green;
using platform::Lamp::Red;

void PortWatchdog::Form_Load() {
  // The port's other set-up (bytes, not text; every waiting byte in one event; a 4096-byte
  // input buffer) is what the serial port does by construction.
  port_.SetLineSettings(platform::kLine19200);
  CommPortNumber = kFirstPort;
  controls_.SetLampColour(Red);
  controls_.SetCaption(kOrvaneNotFound);
}

void PortWatchdog::mnuComm_Click(std::int16_t n) {
  if (n < kFirstPort || n > kLastPort) return;
  CommPortNumber = n;
  port_.Close();
}

void PortWatchdog::Timer1_Timer() {
  if (port_.IsOpen()) {
    if (HeartbeatCountdown != 0 && --HeartbeatCountdown == 0) {
      controls_.SetLampColour(Red);
      controls_.SetCaption(kOrvaneNotFound);
    }
    SilenceTicks =
        checksum::MinOf(static_cast<std::int16_t>(SilenceTicks + 1), kSilenceBeforeSearch);
    // The search runs at most once per run: nothing ever stops its timer again. A network link
    // has no speed to search.
    if (!search_.IsRunning() && SilenceTicks == kSilenceBeforeSearch && port_.HasLineSpeed()) {
      search_.Start();
    }
    return;
  }
  // Closed: try to open the chosen port. A successful open writes nothing; the counters wait.
  port_.SetPortNumber(CommPortNumber);
  if (!port_.Open()) {
    controls_.SetLampColour(Red);
    controls_.SetCaption(
        platform::CaptionWithNumber("Com Port ", CommPortNumber, " not available"));
  }
}

void PortWatchdog::OnHeartbeat() {
  HeartbeatCountdown = kHeartbeatTicks;
  SilenceTicks = 0;
  // Only a red lamp turns green: a yellow read or write progress display is left alone.
  if (controls_.LampColour() == Red) {
    controls_.SetLampColour(Green);
    controls_.SetCaption(kCommunicationsGood);
  }
}

}  // namespace orvane::supervision
