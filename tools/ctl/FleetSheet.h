// SPDX-License-Identifier: Apache-2.0
#pragma once
// A fleet sheet: one profile, many receivers, each with its own values, from the spreadsheet a
// technician already keeps, saved as CSV (RFC 4180, UTF-8; a leading byte-order mark is
// skipped, lines end in CRLF or LF, a quoted field may hold commas, quotes doubled and line
// breaks).
//
//   port,ethernet.ip_address,surveyed_position.surveyed_alt
//   /dev/ttyUSB0,192.168.0.21,45.3
//   tcp://10.0.0.8:55555,192.168.0.22,
//
// The header's first column is port, every other a section.name key. Each row is one receiver:
// its port (anything --port takes but auto, and each port once) and its values, an empty cell
// keeping the profile's. A sheet is taken whole or not at all: its first fault is named with
// file, line and column, and nothing is sent.

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "Options.h"

namespace orvane::ctl {

struct FleetRow {
  PortSpec port;
  std::vector<Key> values;  // the row's non-empty cells, in the header's order
  int line = 0;             // where the row starts
};

// The receivers, or "FILE: line L, column C: what is wrong". Without force a value the receiver
// would refuse is a fault too, as in a profile.
std::variant<std::vector<FleetRow>, std::string> ParseFleetSheet(std::string_view text,
                                                                 const std::string& file,
                                                                 bool force);

// Reads the sheet options.fleetPath names: its ports become the options' ports, each with the
// options' profile under its own values. Or why the sheet cannot be had.
std::optional<std::string> TakeFleet(Options& options);

}  // namespace orvane::ctl
