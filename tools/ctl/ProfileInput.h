// SPDX-License-Identifier: Apache-2.0
#pragma once
// Where a profile comes from: a regular file, or "-" for standard input. Anything else (a
// directory, a FIFO, a device such as /dev/zero) is refused by its kind before it is read, so
// that nothing blocks for ever or grows without end, and no profile is held past a cap.

#include <cstddef>
#include <string>
#include <variant>

namespace orvane::ctl {

// The most a profile may hold: thousands of times any receiver's settings.
inline constexpr std::size_t kMaxProfileBytes = 16 * 1024 * 1024;

struct ProfileText {
  std::string text;
  std::string name;  // the path, or "standard input" for "-"
};

// The whole text, or why it cannot be had ("PATH: not a regular file (a FIFO) ...").
std::variant<ProfileText, std::string> ReadProfileText(const std::string& path);

}  // namespace orvane::ctl
