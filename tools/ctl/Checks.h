// SPDX-License-Identifier: Apache-2.0
#pragma once
// What orvanectl refuses before any port is touched, and what it makes of a setting the receiver
// does not have.
//
// A base station broadcasts its surveyed position as the origin of its corrections and is
// reached at its address: a profile or a set that would write an empty address, netmask or
// gateway, or a position of 0, 0, 0, is refused unless --force, and so is a value the receiver
// would refuse (the table it shares with the simulated receiver). A receiver answers a read of a
// setting it does not have with an empty value, which must not pass for one.

#include <optional>
#include <string>
#include <vector>

#include "Report.h"
#include "transfer/ProfileFile.h"

namespace orvane::ctl {

// Why the rows must not be written, or nothing. origin names them in the message: a profile's
// path (each row then named by its line) or the command ("set", each row by its KEY=VALUE).
std::optional<std::string> WhyNotWritten(const std::vector<transfer::ProfileSetting>& rows,
                                         const std::string& origin, bool fromFile);

// The keys orvanectl knows: those of the base-station profile and the window's fields.
bool IsKnownKey(const std::string& section, const std::string& name);
// The known key nearest to section.name by spelling, if one is near enough to be meant.
std::optional<std::string> NearestKnownKey(const std::string& section, const std::string& name);

// Every setting that read back empty and is not a known key becomes "unknown", with the key it
// may have meant; the port's exit status rises to that of a refusal.
void MarkUnknownSettings(PortReport& port);

}  // namespace orvane::ctl
