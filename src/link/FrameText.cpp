// SPDX-License-Identifier: Apache-2.0
#include "link/FrameText.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "link/Frame.h"
#include "link/SettingsMessages.h"

namespace orvane::link {

namespace {

std::string Hex(unsigned value, int digits) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

// A text of the frame, Latin-1 on the wire, as readable UTF-8 on one line.
std::string Readable(std::span<const std::uint8_t> latin1) {
  std::string out;
  for (const std::uint8_t b : latin1) {
    if (b < 0x20 || (b >= 0x7F && b < 0xA0)) {
      out += "\\x" + Hex(b, 2).substr(2);
    } else {
      out += FromLatin1({&b, 1});
    }
  }
  return out;
}

// The payload's NUL-terminated texts, at most `count` of them; a text cut short by the payload's
// end ends there, and missing texts are empty.
std::vector<std::string> Texts(std::span<const std::uint8_t> payload, std::size_t count) {
  std::vector<std::string> texts;
  while (texts.size() < count) {
    std::size_t end = 0;
    while (end < payload.size() && payload[end] != 0) ++end;
    texts.push_back(Readable(payload.first(end)));
    payload = payload.subspan(end < payload.size() ? end + 1 : end);
  }
  return texts;
}

std::string SettingText(std::span<const std::uint8_t> payload, bool withValue) {
  const auto t = Texts(payload, 3);
  return t[0] + "." + t[1] + (withValue ? " = " + t[2] : "");
}

}  // namespace

std::string DescribeFrame(std::span<const std::uint8_t> frame) {
  if (frame.size() < kFrameOverhead) {
    return "incomplete frame of " + std::to_string(frame.size()) + " bytes";
  }
  const std::uint16_t type = FrameType(frame);
  const std::uint16_t sender = FrameSender(frame);
  const std::size_t n = std::min<std::size_t>(frame[kLengthOffset], frame.size() - kFrameOverhead);
  const auto payload = frame.subspan(kPayloadOffset, n);
  switch (static_cast<MsgType>(type)) {
    case MsgType::SettingsWrite:
      return "settings write " + SettingText(payload, true);
    case MsgType::SettingsReadRequest:
      return "settings read request " + SettingText(payload, false);
    case MsgType::SettingsReadResponse:
      return "settings read response " + SettingText(payload, true);
    case MsgType::SettingsWriteResponse:
      if (payload.empty()) return "settings write response without a status";
      return "settings write response " + SettingText(payload.subspan(1), true) + " (status " +
             std::to_string(payload[0]) + ")";
    case MsgType::SettingsSave:
      return "settings save";
    case MsgType::Heartbeat:
      return "heartbeat";
  }
  return "frame type " + Hex(type, 4) + " from " + Hex(sender, 4) + ", " + std::to_string(n) +
         (n == 1 ? " payload byte" : " payload bytes");
}

}  // namespace orvane::link
