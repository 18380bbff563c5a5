// SPDX-License-Identifier: Apache-2.0
#pragma once
// The one UTF-8 decoder of the program, for the texts it reads and writes besides the wire:
// profile files and JSON documents. (The wire's own rule, one Latin-1 byte per character, is
// ToLatin1's.)

#include <optional>
#include <string_view>

namespace orvane::link {

// Decodes the character at the front of text and drops it from text. Nothing, and text as it
// was, when text is empty or the bytes there are malformed, overlong, a surrogate or beyond
// U+10FFFF.
std::optional<char32_t> NextCodePoint(std::string_view& text);

bool IsValidUtf8(std::string_view text);

}  // namespace orvane::link
