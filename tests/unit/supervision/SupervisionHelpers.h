#pragma once
// What the supervision tests look at: captions written, settings writes sent, and stepping the
// clock to a given tick of a timer.

#include <algorithm>
#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fakes/FakeSerialPort.h"
#include "support/FormRig.h"
#include "support/Frames.h"

namespace orvane::testing {

inline constexpr std::string_view kFilterName = "enabled_sbp_messages";
inline constexpr std::string_view kBaudrateName = "baudrate";

inline long Count(const std::vector<std::string>& captions, std::string_view text) {
  return std::count(captions.begin(), captions.end(), text);
}

inline std::vector<std::string> CaptionsStartingWith(const std::vector<std::string>& captions,
                                                     std::string_view prefix) {
  std::vector<std::string> found;
  for (const auto& caption : captions) {
    if (caption.starts_with(prefix)) found.push_back(caption);
  }
  return found;
}

// The settings writes of "uart1"/name the program sent, in order.
inline std::vector<platform::fakes::FakeSerialPort::Written> Uart1Writes(
    const platform::fakes::FakeSerialPort& port, std::string_view name) {
  std::vector<platform::fakes::FakeSerialPort::Written> found;
  for (const auto& written : port.written()) {
    const Sent sent = Decode(written.frame);
    if (sent.type == 0x00A0 && sent.texts.size() == 3 && sent.texts[0] == "uart1" &&
        sent.texts[1] == name) {
      found.push_back(written);
    }
  }
  return found;
}

// Advances in 100 ms steps until the timer has ticked `ticks` times in all; at most `limit`.
inline void AdvanceToTick(FormRig& rig, const platform::fakes::FakeTimer& timer, int ticks,
                          std::chrono::milliseconds limit = std::chrono::minutes{5}) {
  const auto until = rig.clock.Now() + limit;
  while (timer.ticks() < ticks && rig.clock.Now() < until)
    rig.Advance(std::chrono::milliseconds{100});
}

}  // namespace orvane::testing
