// SPDX-License-Identifier: Apache-2.0
#pragma once
// Frames as the receiver sends them, and the program's frames taken apart, for tests.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "link/Frame.h"
#include "link/SettingsMessages.h"

namespace orvane::testing {

inline constexpr std::uint16_t kReceiverSender = 0x1234;

inline std::vector<std::uint8_t> Texts(std::initializer_list<std::string_view> texts) {
  std::vector<std::uint8_t> payload;
  for (std::string_view text : texts) {
    payload.insert(payload.end(), text.begin(), text.end());
    payload.push_back(0);
  }
  return payload;
}

inline std::vector<std::uint8_t> HeartbeatFrame() {
  const std::vector<std::uint8_t> payload{0, 0, 0, 0};
  return link::BuildFrame(0xFFFF, kReceiverSender, payload);
}

inline std::vector<std::uint8_t> ReadResponseFrame(std::string_view section, std::string_view name,
                                                   std::string_view value) {
  return link::BuildFrame(0x00A5, kReceiverSender, Texts({section, name, value}));
}

inline std::vector<std::uint8_t> WriteResponseFrame(std::uint8_t status, std::string_view section,
                                                    std::string_view name, std::string_view value) {
  auto payload = Texts({section, name, value});
  payload.insert(payload.begin(), status);
  return link::BuildFrame(0x00AF, kReceiverSender, payload);
}

// One frame the program sent, taken apart. Texts are the payload's NUL-separated texts.
struct Sent {
  std::uint16_t type = 0;
  std::vector<std::string> texts;
};

inline Sent Decode(const std::vector<std::uint8_t>& frame) {
  Sent sent;
  if (frame.size() < link::kFrameOverhead) return sent;
  sent.type = static_cast<std::uint16_t>(frame[1] | (frame[2] << 8));
  std::string text;
  for (std::size_t i = link::kPayloadOffset; i + 2 < frame.size(); ++i) {
    if (frame[i] == 0) {
      sent.texts.push_back(text);
      text.clear();
    } else {
      text.push_back(static_cast<char>(frame[i]));
    }
  }
  return sent;
}

}  // namespace orvane::testing
