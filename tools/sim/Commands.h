// SPDX-License-Identifier: Apache-2.0
#pragma once
// The commands orvane-sim takes on standard input, one a line: "silent on|off",
// "noise on [RATE]", "noise off", "unplug".

#include <string>

namespace orvane::sim {

struct Command {
  enum class Kind { None, Silent, Noise, Unplug, Invalid };
  Kind kind = Kind::None;  // None: an empty line
  bool on = false;         // Silent, Noise
  int rate = 0;            // Noise on: bytes per second; 0 keeps the rate set before
  std::string error;       // Invalid: why, for the user
};

Command ParseCommand(const std::string& line);

}  // namespace orvane::sim
