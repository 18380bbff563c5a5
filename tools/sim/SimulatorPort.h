// SPDX-License-Identifier: Apache-2.0
#pragma once
// Inside the simulated receiver: one line to it, shared by the files that make up Simulator.

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
};

}  // namespace orvane::sim
