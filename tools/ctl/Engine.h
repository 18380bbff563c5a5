// SPDX-License-Identifier: Apache-2.0
#pragma once
// Where the settings engine plugs in for the commands that talk to a receiver: it takes the
// checked options and the ports to run on, runs every port at once in one event loop, and
// returns one report per port (auto expands to one per serial port that answers).
// The options' keys, profile rows and transfer policy have been checked already: nothing here
// needs to refuse its input.

#include <optional>
#include <vector>

#include "Options.h"
#include "Report.h"

namespace orvane::ctl {

// A port to run on: what --port said, and the device it names (empty for tcp:// and auto).
struct Target {
  PortSpec spec;
  std::string device;
  // apply --fleet: this port's own rows, in place of the options' profile.
  std::optional<std::vector<transfer::ProfileSetting>> profile = std::nullopt;
};

// Runs the command on every target at once, on one event loop.
std::vector<PortReport> RunOnPorts(const Options& options, const std::vector<Target>& targets);

}  // namespace orvane::ctl
