// SPDX-License-Identifier: Apache-2.0
#pragma once
// The settings messages: the three the program sends (write, read request, save) and the two
// answers it takes apart (read response, write response).
//
// Texts in the program are UTF-8. On the wire every text is one Latin-1 byte per character
// followed by a NUL, so a text can be sent only if each of its characters lies in U+0001..U+00FF.
// A frame that cannot be sent whole and exact is not sent at all: the encoders never truncate
// and never substitute a character.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "link/Frame.h"

namespace orvane::link {

// One receiver setting as it travels: a (section, name) pair and its value.
struct Setting {
  std::string section;
  std::string name;
  std::string value;
  friend bool operator==(const Setting&, const Setting&) = default;
};

struct WriteResponse {
  std::int16_t status = 0;  // 0 accepted; any other value refused
  Setting setting;
};

enum class [[nodiscard]] SendResult{
    Sent,
    TooLong,      // the payload would exceed 255 bytes
    Unencodable,  // a text holds a NUL, a character above U+00FF, or is not valid UTF-8
};

// Latin-1 bytes of a UTF-8 text, or nothing if a character has no single byte (or is NUL).
std::optional<std::string> ToLatin1(std::string_view utf8);
// UTF-8 text of Latin-1 bytes: byte b is the character U+00b.
std::string FromLatin1(std::span<const std::uint8_t> bytes);

// Stores the text's bytes and a NUL from index start on; returns the index after the NUL.
// The caller sizes the array; bytes that would fall outside it are not written.
std::int16_t PutSettingString(std::span<std::uint8_t> frame, std::int16_t start,
                              std::string_view latin1);

SendResult SendSettingWrite(FrameSink& sink, std::string_view section, std::string_view name,
                            std::string_view value);
SendResult SendSettingReadRequest(FrameSink& sink, std::string_view section, std::string_view name);
void SendSettingsSave(FrameSink& sink);

// The decoders read only the verified frame they are given, and only its payload: a text that
// meets the payload's end before its NUL ends there, and a missing text is empty.
Setting ParseReadResponse(std::span<const std::uint8_t> frame);
// A response too short to carry a status byte reads as refused (status 255).
WriteResponse ParseWriteResponse(std::span<const std::uint8_t> frame);

}  // namespace orvane::link
