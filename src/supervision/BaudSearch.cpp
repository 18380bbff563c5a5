// SPDX-License-Identifier: Apache-2.0
#include "supervision/BaudSearch.h"

#include <array>
#include <string_view>

#include "link/SettingsMessages.h"

namespace orvane::supervision {

namespace {

// Ask the receiver to send only read responses, write responses and heartbeats.
constexpr std::string_view kFilterValue = "165,175,65535";

}  // namespace

void BaudSearch::Start() {
  if (HasStarted() || !port_.HasLineSpeed()) return;
  phase_ = Phase::Testing;
  speedsTried_ = 0;
  timer_.Start();
}

void BaudSearch::OnSearchTick() {
  // Paused until the watchdog re-opens the port; a network link has no speed to change.
  if (!port_.IsOpen() || !port_.HasLineSpeed()) return;
  if (phase_ != Phase::Testing) {
    HoldAt19200();
    return;
  }
  // Each tick but the first judges the speed the tick before set; 1200 baud is judged like the
  // others.
  if (speedsTried_ > 0 && receiver_.SpeedIsClean(port_.CanReportLineErrors())) {
    TellReceiverTo19200();
  } else if (speedsTried_ < kSpeeds) {
    TestNextSpeed();
  } else {
    phase_ = Phase::AllSpeedsTried;
    HoldAt19200();
  }
}

void BaudSearch::TestNextSpeed() {
  // Every speed but the usual one, which the port was at when the receiver fell silent.
  const std::int32_t baud = platform::kReceiverSpeeds[static_cast<std::size_t>(speedsTried_) + 1];
  events_.TestingAt(baud);
  port_.Close();
  // The frame receiver hunts afresh with the new speed: a stray preamble in the noise at the old
  // speed would otherwise hold back up to 262 bytes at the new one, the heartbeats and answers
  // that judge this speed, until its check failed.
  port_.SetLineSettings(platform::AtBaud(baud));
  if (port_.Open()) {
    (void)link::SendSettingWrite(port_, "uart1", "enabled_sbp_messages", kFilterValue);
  }
  ++speedsTried_;
}

void BaudSearch::TellReceiverTo19200() {
  (void)link::SendSettingWrite(port_, "uart1", "baudrate", "19200");
  phase_ = Phase::Found;
}

// Moves the port back to 19200 baud unless it is already open there: closing it on every tick
// would throw away the bytes in flight, answers to a write in progress among them.
void BaudSearch::HoldAt19200() {
  if (port_.lineSettings() == platform::kLine19200) return;
  port_.Close();
  port_.SetLineSettings(platform::kLine19200);  // the receiver hunts afresh, as at a testing speed
  port_.Open();
}

}  // namespace orvane::supervision
