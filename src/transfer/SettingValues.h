// SPDX-License-Identifier: Apache-2.0
#pragma once
// The values a receiver refuses to take: a position that is not a number or off the globe, an
// elevation mask outside 0..90 degrees, an address that is not dotted IPv4, a mode outside its
// list, a switch that is neither "True" nor "False", a port number or a baud rate the receiver
// has not got. One table, so that orvanectl refuses before sending exactly what the simulated
// receiver refuses under --validate. Settings no rule names take any value.

#include <optional>
#include <string>
#include <string_view>

namespace orvane::transfer {

// Why a receiver would refuse the value, in words that say what it takes ("not an IPv4 address:
// four numbers 0 to 255 joined by dots, e.g. 192.168.0.222"); nothing when it takes it.
std::optional<std::string> WhyValueRefused(std::string_view section, std::string_view name,
                                           std::string_view value);

inline bool ValueAcceptable(std::string_view section, std::string_view name,
                            std::string_view value) {
  return !WhyValueRefused(section, name, value).has_value();
}

}  // namespace orvane::transfer
