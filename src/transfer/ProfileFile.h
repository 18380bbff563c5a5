// SPDX-License-Identifier: Apache-2.0
#pragma once
// A profile: receiver settings as a UTF-8 text file, the form orvanectl reads and prints.
//
//   # comment            ; comment too          (only where a line starts, after spaces)
//   [section]
//   name = value
//
// Lines end in LF or CRLF; a CR anywhere else is a fault (a file of lone-CR line ends would
// otherwise read as one line). Blank lines are ignored; spaces and tabs around sections, names and
// values are trimmed; rows keep their order; a section may come back later and a name may repeat (a
// procedure can set one setting twice, e.g. "ethernet"/"interface_mode" to "Config" and later to
// "Active"). Everything after the first '=' is the value, verbatim: '#', ';' and '=' inside a value
// are part of it. A value whose first and last characters are both '"' loses that one outer pair,
// so a value that must keep spaces at its ends, or is itself quoted, is written in quotes.
//
// A file is accepted whole or not at all: every row must be sendable as a settings write (its
// texts in Latin-1 without NUL, the payload within 255 bytes), and the first fault is reported
// with its line, so nothing of a faulty file ever reaches a receiver.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::transfer {

struct ProfileSetting {
  std::string section;
  std::string name;
  std::string value;
  int line = 0;  // 1-based line in the text it was read from; 0 for rows made in code

  // Rows are the same setting and value; where they were read from does not count.
  friend bool operator==(const ProfileSetting& a, const ProfileSetting& b) {
    return a.section == b.section && a.name == b.name && a.value == b.value;
  }
};

struct ProfileError {
  std::string file;  // as given by the caller; may be empty
  int line = 0;      // 0 when the fault is not on one line
  std::string message;

  // "FILE: line N: message", leaving out what is unknown.
  std::string What() const;
};

struct ParsedProfile {
  std::vector<ProfileSetting> rows;
  std::optional<ProfileError> error;  // when set, rows is empty
  bool Ok() const { return !error.has_value(); }
};

// Reads a profile's text; file names the text in error messages.
ParsedProfile ParseProfile(std::string_view text, std::string_view file = {});

// Why a setting cannot travel as one settings write, or nothing when it can:
// "over 255 bytes of payload", "a character outside Latin-1 (U+20AC)", "a NUL",
// "not valid UTF-8".
std::optional<std::string> WhyUnsendable(std::string_view section, std::string_view name,
                                         std::string_view value);

struct RenderedProfile {
  std::string text;
  std::optional<ProfileError> error;  // the row that no profile line can hold; line = its index + 1
  bool Ok() const { return !error.has_value(); }
};

// The rows as a profile that ParseProfile reads back as the same rows: a [section] line
// wherever the section changes, a blank line before each section but the first, and
// "name = value" lines, the value quoted only where the reader would otherwise change it.
// Refused: a line break or NUL anywhere, an empty section or name, a section or name with
// spaces at its ends, a name starting with '#', ';' or '[' or holding '='.
RenderedProfile RenderProfile(const std::vector<ProfileSetting>& rows);

}  // namespace orvane::transfer
