// SPDX-License-Identifier: Apache-2.0
#pragma once
// The values --port takes.

#include <string>
#include <string_view>
#include <variant>

#include "Options.h"

namespace orvane::ctl {

// A device path, a Comm item number (1 and up), tcp://HOST:PORT (an IPv6 host in brackets) or
// "auto"; or why the text is none of them.
std::variant<PortSpec, std::string> ParsePortSpec(std::string_view text);

}  // namespace orvane::ctl
