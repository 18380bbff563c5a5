// SPDX-License-Identifier: Apache-2.0
#pragma once
// Why a serial device cannot be opened, found without opening it (opening a USB serial port
// can reset the board behind it), so that a command fails early and says why.

#include <optional>
#include <string>

namespace orvane::ctl {

// "port cannot be opened: REASON", in the words the window uses for the same fault, and for a
// permission fault the group that may open the device; nothing when the device looks usable. Faults
// that only an open shows (busy, locked) are left to the open itself.
std::optional<std::string> WhyDeviceCannotOpen(const std::string& device);

}  // namespace orvane::ctl
