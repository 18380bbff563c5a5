// SPDX-License-Identifier: Apache-2.0
// Arbitrary text for the reader of the profiles orvanectl takes. It is checked against a reference
// written separately and plainly from the file's rules (its own line splitting, trimming, UTF-8
// decoding, Latin-1 check and payload count): both must accept the same texts with the same rows,
// in order and with their lines, and refuse the same texts at the same line. Whatever the reader
// accepts is rendered and read again, and must come back as the same rows.
//
// Input (at most kMaxInput bytes): a byte kept for a second kind of file, then the file.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "transfer/ProfileFile.h"

namespace {

using orvane::transfer::ParseProfile;
using orvane::transfer::ProfileSetting;
using orvane::transfer::RenderProfile;

// Many lines of every kind; longer inputs only slow the search down.
constexpr std::size_t kMaxInput = 4096;
// What one settings write carries: three texts, each with its NUL.
constexpr std::size_t kPayloadLimit = 255;

// The reference's own branches are no guide to the reader's, so they are left out of the
// coverage that steers the search.
#define NOT_STEERING __attribute__((no_sanitize("coverage")))

// A reader's verdict: the rows, or the line of the first fault.
struct Verdict {
  std::vector<ProfileSetting> rows;
  std::optional<int> faultLine;
};

// The profile rules, read straight from the file's description, one character at a time.
struct ReferenceProfile {
  NOT_STEERING static bool Blank(char c) { return c == ' ' || c == '\t'; }

  NOT_STEERING static std::string Trim(const std::string& s) {
    std::size_t from = 0;
    std::size_t to = s.size();
    while (from < to && Blank(s[from])) ++from;
    while (to > from && Blank(s[to - 1])) --to;
    return s.substr(from, to - from);
  }

  // The code points of s, or nothing when s is not UTF-8 (overlong forms, surrogates and values
  // past U+10FFFF included).
  NOT_STEERING static std::optional<std::vector<std::uint32_t>> Decode(const std::string& s) {
    std::vector<std::uint32_t> out;
    std::size_t i = 0;
    while (i < s.size()) {
      const unsigned b = static_cast<unsigned char>(s[i]);
      int more = 0;
      std::uint32_t cp = 0;
      std::uint32_t least = 0;
      if (b <= 0x7F) {
        cp = b;
      } else if ((b & 0xE0) == 0xC0) {
        more = 1, cp = b & 0x1F, least = 0x80;
      } else if ((b & 0xF0) == 0xE0) {
        more = 2, cp = b & 0x0F, least = 0x800;
      } else if ((b & 0xF8) == 0xF0) {
        more = 3, cp = b & 0x07, least = 0x10000;
      } else {
        return std::nullopt;
      }
      if (more > 0 && i + more >= s.size()) return std::nullopt;
      for (int k = 1; k <= more; ++k) {
        const unsigned c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80) return std::nullopt;
        cp = (cp << 6) | (c & 0x3F);
      }
      if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
      out.push_back(cp);
      i += 1 + more;
    }
    return out;
  }

  // Bytes on the wire, or nothing when a character is NUL or above U+00FF.
  NOT_STEERING static std::optional<std::size_t> WireLength(const std::string& s) {
    const auto points = Decode(s);
    if (!points) return std::nullopt;
    for (const std::uint32_t cp : *points) {
      if (cp == 0 || cp > 0xFF) return std::nullopt;
    }
    return points->size();
  }

  NOT_STEERING static Verdict Read(const std::string& input) {
    Verdict verdict;
    std::string text = input;
    if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    std::vector<std::string> lines;
    std::string current;
    for (const char c : text) {
      if (c == '\n') {
        lines.push_back(current);
        current.clear();
      } else {
        current += c;
      }
    }
    if (!current.empty()) lines.push_back(current);
    std::optional<std::string> section;
    for (std::size_t n = 0; n < lines.size(); ++n) {
      const int line = static_cast<int>(n + 1);
      std::string raw = lines[n];
      if (!raw.empty() && raw.back() == '\r') raw.pop_back();
      if (!Decode(raw) || raw.find('\r') != std::string::npos) return Fault(verdict, line);
      const std::string s = Trim(raw);
      if (s.empty() || s[0] == '#' || s[0] == ';') continue;
      if (s[0] == '[') {
        if (s.size() < 2 || s.back() != ']') return Fault(verdict, line);
        const std::string name = Trim(s.substr(1, s.size() - 2));
        if (name.empty() || !WireLength(name)) return Fault(verdict, line);
        section = name;
        continue;
      }
      const std::size_t equals = s.find('=');
      if (equals == std::string::npos || !section) return Fault(verdict, line);
      const std::string name = Trim(s.substr(0, equals));
      std::string value = Trim(s.substr(equals + 1));
      if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
      }
      const auto a = WireLength(*section), b = WireLength(name), c = WireLength(value);
      if (name.empty() || !a || !b || !c || *a + *b + *c + 3 > kPayloadLimit) {
        return Fault(verdict, line);
      }
      verdict.rows.push_back({*section, name, value, line});
    }
    return verdict;
  }

  NOT_STEERING static Verdict Fault(Verdict& verdict, int line) {
    verdict.rows.clear();
    verdict.faultLine = line;
    return verdict;
  }
};

bool SameRowsAndLines(const std::vector<ProfileSetting>& a, const std::vector<ProfileSetting>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (!(a[i] == b[i]) || a[i].line != b[i].line) return false;
  }
  return true;
}

void CheckProfile(const std::string& text) {
  const auto parsed = ParseProfile(text, "fuzz.ini");
  const Verdict reference = ReferenceProfile::Read(text);
  FUZZ_CHECK(parsed.Ok() == !reference.faultLine.has_value());
  if (!parsed.Ok()) {
    FUZZ_CHECK(parsed.rows.empty());
    FUZZ_CHECK(parsed.error->line == *reference.faultLine);
    FUZZ_CHECK(parsed.error->What().starts_with("fuzz.ini: line "));
    return;
  }
  FUZZ_CHECK(SameRowsAndLines(parsed.rows, reference.rows));
  // What was read can be written, and reads back as the same rows.
  const auto rendered = RenderProfile(parsed.rows);
  FUZZ_CHECK(rendered.Ok());
  const auto again = ParseProfile(rendered.text);
  FUZZ_CHECK(again.Ok() && again.rows == parsed.rows);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > kMaxInput) return 0;
  CheckProfile(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  return 0;
}
