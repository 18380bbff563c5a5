// SPDX-License-Identifier: Apache-2.0
#include "link/SettingsMessages.h"

#include <array>
#include <initializer_list>

namespace orvane::link {

namespace {

constexpr std::int16_t kRefusedStatus = 255;

// Builds the payload "t1 NUL t2 NUL ..." from texts already checked and converted to Latin-1,
// then hands the whole frame to the sink in one call.
SendResult SendTexts(FrameSink& sink, MsgType type, std::initializer_list<std::string_view> texts) {
  std::array<std::string, 3> latin1;
  std::size_t length = 0;
  std::size_t i = 0;
  for (std::string_view text : texts) {
    auto bytes = ToLatin1(text);
    if (!bytes) return SendResult::Unencodable;
    length += bytes->size() + 1;
    latin1[i++] = std::move(*bytes);
  }
  if (length > kMaxPayload) return SendResult::TooLong;

  std::array<std::uint8_t, kMaxPayload> payload{};
  std::int16_t position = 0;
  for (std::size_t k = 0; k < i; ++k) position = PutSettingString(payload, position, latin1[k]);
  const auto frame = BuildFrame(type, std::span<const std::uint8_t>(payload).first(position));
  sink.Output(frame);
  return SendResult::Sent;
}

// The payload of a verified frame, as its own length byte gives it.
std::span<const std::uint8_t> PayloadOf(std::span<const std::uint8_t> frame) {
  if (frame.size() < kFrameOverhead) return {};
  const std::size_t n = std::min<std::size_t>(frame[kLengthOffset], frame.size() - kFrameOverhead);
  return frame.subspan(kPayloadOffset, n);
}

// Takes the next NUL-terminated text off the front of the payload.
std::string NextText(std::span<const std::uint8_t>& rest) {
  std::size_t end = 0;
  while (end < rest.size() && rest[end] != 0) ++end;
  std::string text = FromLatin1(rest.first(end));
  rest = rest.subspan(end < rest.size() ? end + 1 : end);
  return text;
}

Setting ParseTexts(std::span<const std::uint8_t> rest) {
  Setting setting;
  setting.section = NextText(rest);
  setting.name = NextText(rest);
  setting.value = NextText(rest);
  return setting;
}

}  // namespace

std::optional<std::string> ToLatin1(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      if (lead == 0) return std::nullopt;
      out.push_back(static_cast<char>(lead));
      i += 1;
    } else if ((lead == 0xC2 || lead == 0xC3) && i + 1 < utf8.size() &&
               (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) {
      // Two-byte sequences with lead C2/C3 are exactly U+0080..U+00FF.
      out.push_back(static_cast<char>(((lead & 0x03) << 6) |
                                      (static_cast<unsigned char>(utf8[i + 1]) & 0x3F)));
      i += 2;
    } else {
      return std::nullopt;  // above U+00FF, overlong or malformed
    }
  }
  return out;
}

std::string FromLatin1(std::span<const std::uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::uint8_t b : bytes) {
    if (b < 0x80) {
      out.push_back(static_cast<char>(b));
    } else {
      out.push_back(static_cast<char>(0xC0 | (b >> 6)));
      out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
    }
  }
  return out;
}

std::int16_t PutSettingString(std::span<std::uint8_t> frame, std::int16_t start,
                              std::string_view latin1) {
  std::size_t index = static_cast<std::size_t>(start);
  for (char c : latin1) {
    if (index < frame.size()) frame[index] = static_cast<std::uint8_t>(c);
    ++index;
  }
  if (index < frame.size()) frame[index] = 0;
  return static_cast<std::int16_t>(index + 1);
}

SendResult SendSettingWrite(FrameSink& sink, std::string_view section, std::string_view name,
                            std::string_view value) {
  return SendTexts(sink, MsgType::SettingsWrite, {section, name, value});
}

SendResult SendSettingReadRequest(FrameSink& sink, std::string_view section,
                                  std::string_view name) {
  return SendTexts(sink, MsgType::SettingsReadRequest, {section, name});
}

void SendSettingsSave(FrameSink& sink) {
  sink.Output(BuildFrame(MsgType::SettingsSave, {}));
}

Setting ParseReadResponse(std::span<const std::uint8_t> frame) {
  return ParseTexts(PayloadOf(frame));
}

WriteResponse ParseWriteResponse(std::span<const std::uint8_t> frame) {
  const auto payload = PayloadOf(frame);
  if (payload.empty()) return {kRefusedStatus, {}};
  return {payload[0], ParseTexts(payload.subspan(1))};
}

}  // namespace orvane::link
