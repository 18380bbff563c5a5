// SPDX-License-Identifier: Apache-2.0
// A reader of its own rather than Debian's inih: that build cuts lines at 200 characters (a
// longer value is silently shortened and its tail read as a line of its own; the base-station
// profile has a 207-character line), reads an indented line as the previous value's
// continuation, cuts a value at " ;", and hands its rows over without their line numbers.

#include "transfer/ProfileFile.h"

#include <cstdint>
#include <cstdio>

#include "link/Frame.h"
#include "link/SettingsMessages.h"
#include "link/Utf8.h"

namespace orvane::transfer {

namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view Trim(std::string_view text) {
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

bool IsQuoted(std::string_view value) {
  return value.size() >= 2 && value.front() == '"' && value.back() == '"';
}

// Why a text the wire cannot carry (link::ToLatin1 has refused it) cannot travel, in words.
std::string WhyNotLatin1(std::string_view text) {
  while (!text.empty()) {
    const auto cp = link::NextCodePoint(text);
    if (!cp) return "not valid UTF-8";
    if (*cp == 0) return "a NUL";
    if (*cp > 0xFF) {
      char code[16];
      std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(*cp));
      return std::string("a character outside Latin-1 (") + code + ")";
    }
  }
  return "not valid UTF-8";
}

// Why one text cannot travel, or nothing when it can.
std::optional<std::string> TextFault(std::string_view text) {
  if (link::ToLatin1(text)) return std::nullopt;
  return WhyNotLatin1(text);
}

std::string Key(std::string_view section, std::string_view name) {
  return std::string(section) + "." + std::string(name);
}

class Parser {
 public:
  explicit Parser(std::string_view file) : file_(file) {}

  ParsedProfile Run(std::string_view text) {
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (text.substr(0, kBom.size()) == kBom) text.remove_prefix(kBom.size());
    int line = 0;
    while (!text.empty() && !result_.error) {
      const auto end = text.find('\n');
      std::string_view content = text.substr(0, end);
      text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
      if (!content.empty() && content.back() == '\r') content.remove_suffix(1);
      TakeLine(++line, content);
    }
    if (result_.error) result_.rows.clear();
    return std::move(result_);
  }

 private:
  void TakeLine(int line, std::string_view content) {
    if (!link::IsValidUtf8(content)) return Fail(line, "not valid UTF-8");
    // A file whose lines end in a lone CR (old Mac files) reads as one long line: its rows
    // would be taken into one value, or its first comment would hide the rest.
    if (content.find('\r') != std::string_view::npos) {
      return Fail(line,
                  "a carriage return inside the line: save the file with LF or CRLF line ends");
    }
    const std::string_view text = Trim(content);
    if (text.empty() || text.front() == '#' || text.front() == ';') return;
    if (text.front() == '[') return TakeSection(line, text);
    const auto equals = text.find('=');
    if (equals == std::string_view::npos) return Fail(line, "expected [section] or name = value");
    const std::string_view name = Trim(text.substr(0, equals));
    std::string_view value = Trim(text.substr(equals + 1));
    if (name.empty()) return Fail(line, "empty name");
    if (!section_) return Fail(line, "name = value before any [section]");
    if (IsQuoted(value)) value = value.substr(1, value.size() - 2);
    const auto nameFault = TextFault(name);
    if (nameFault) return Fail(line, Key(*section_, name) + " cannot be sent: " + *nameFault);
    if (auto fault = WhyUnsendable(*section_, name, value)) {
      return Fail(line, "value of " + Key(*section_, name) + " cannot be sent: " + *fault);
    }
    result_.rows.push_back({*section_, std::string(name), std::string(value), line});
  }

  void TakeSection(int line, std::string_view text) {
    if (text.back() != ']' || text.size() < 2) {
      return Fail(line, "expected [section] or name = value");
    }
    const std::string_view section = Trim(text.substr(1, text.size() - 2));
    if (section.empty()) return Fail(line, "empty section name");
    if (auto fault = TextFault(section)) {
      return Fail(line, "section " + std::string(section) + " cannot be sent: " + *fault);
    }
    section_ = std::string(section);
  }

  void Fail(int line, std::string message) {
    result_.error = ProfileError{file_, line, std::move(message)};
  }

  std::string file_;
  std::optional<std::string> section_;
  ParsedProfile result_;
};

// Why no profile line can carry the row as it is, or nothing when one can.
std::optional<std::string> WhyUnwritable(const ProfileSetting& row) {
  const auto hasBreakOrNul = [](std::string_view text) {
    return text.find_first_of(std::string_view("\n\r\0", 3)) != std::string_view::npos;
  };
  if (hasBreakOrNul(row.section) || hasBreakOrNul(row.name) || hasBreakOrNul(row.value)) {
    return "a line break or NUL cannot be written in a profile";
  }
  if (row.section.empty() || row.name.empty()) return "an empty section or name";
  if (Trim(row.section) != row.section || Trim(row.name) != row.name) {
    return "a section or name with spaces at its ends";
  }
  const char first = row.name.front();
  if (first == '#' || first == ';' || first == '[' || row.name.find('=') != std::string::npos) {
    return "a name that starts with '#', ';' or '[' or holds '='";
  }
  return std::nullopt;
}

}  // namespace

std::string ProfileError::What() const {
  std::string text = file;
  if (line > 0) text += (text.empty() ? "" : ": ") + std::string("line ") + std::to_string(line);
  if (!text.empty()) text += ": ";
  return text + message;
}

ParsedProfile ParseProfile(std::string_view text, std::string_view file) {
  return Parser(file).Run(text);
}

std::optional<std::string> WhyUnsendable(std::string_view section, std::string_view name,
                                         std::string_view value) {
  std::size_t payload = 0;
  for (std::string_view text : {section, name, value}) {
    const auto latin1 = link::ToLatin1(text);
    if (!latin1) return WhyNotLatin1(text);
    payload += latin1->size() + 1;
  }
  if (payload > link::kMaxPayload) return "over 255 bytes of payload";
  return std::nullopt;
}

RenderedProfile RenderProfile(const std::vector<ProfileSetting>& rows) {
  RenderedProfile result;
  const std::string* section = nullptr;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const ProfileSetting& row = rows[i];
    if (auto why = WhyUnwritable(row)) {
      result.text.clear();
      result.error =
          ProfileError{{}, static_cast<int>(i + 1), Key(row.section, row.name) + ": " + *why};
      return result;
    }
    if (section == nullptr || *section != row.section) {
      if (section != nullptr) result.text += '\n';
      result.text += "[" + row.section + "]\n";
      section = &row.section;
    }
    const bool quote = Trim(row.value) != row.value || IsQuoted(row.value);
    result.text += row.name + " =";
    if (!row.value.empty()) result.text += " " + (quote ? '"' + row.value + '"' : row.value);
    result.text += '\n';
  }
  return result;
}

}  // namespace orvane::transfer
