// SPDX-License-Identifier: Apache-2.0
#pragma once
// The serial ports of this machine as the ports command lists them.

#include <vector>

#include "Report.h"

namespace orvane::ctl {

// One entry per serial port the system knows, in the order the Comm items number them
// (USB ports first), each with its listing and no diagnosis.
std::vector<PortReport> ListSerialPorts();

}  // namespace orvane::ctl
