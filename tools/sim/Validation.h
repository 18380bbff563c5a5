// SPDX-License-Identifier: Apache-2.0
#pragma once
// The values a receiver refuses to take (--validate): a position that is not a number or off
// the globe, an elevation mask outside 0..90 degrees, an address that is not dotted IPv4, a mode
// outside its list, a switch that is neither "True" nor "False". Settings no rule names take
// any value.

#include <string>

namespace orvane::sim {

bool ValueAcceptable(const std::string& section, const std::string& name, const std::string& value);

}  // namespace orvane::sim
