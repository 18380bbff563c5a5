// SPDX-License-Identifier: Apache-2.0
#pragma once
// Inside the simulated receiver: one line to it, shared by the files that make up Simulator.

#include <optional>

#include "FrameParser.h"
#include "Pacing.h"
#include "Simulator.h"

namespace orvane::sim {

// One line to the receiver and the frame it is taking in on it.
struct Simulator::Port {
  Port(Simulator& sim, Line& line)
      : line(line), parser([this, &sim](const Frame& frame) { sim.OnFrame(*this, frame); }) {}

  Line& line;
  FrameParser parser;
  int lastPeerBaud = 0;
  PacedInput in;
  PacedOutput out;
  bool hangUpDue = false;  // once its answers have gone out (--hang-up-after)
  // When it hangs up: a moment after the last answer went out, so that the far end has read it
  // (a terminal that closes throws away what its far end has not read).
  std::optional<TimeSource::Clock::time_point> hangUpAt;
};

}  // namespace orvane::sim
