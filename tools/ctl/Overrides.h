// SPDX-License-Identifier: Apache-2.0
#pragma once
// Values given on top of a profile: apply --set KEY=VALUE, and a fleet sheet's cells for one
// receiver. One profile then serves many base stations, each with its own address.

#include <vector>

#include "Options.h"
#include "transfer/ProfileFile.h"

namespace orvane::ctl {

// The rows with each override's value in every row of its key (a key may have several rows, such
// as a mode set to Config and later to Active), or appended as a row where the profile lacks the
// key. A later override of a key wins over an earlier one. Overridden and appended rows carry
// line 0: their value no longer comes from the file.
std::vector<transfer::ProfileSetting> WithOverrides(std::vector<transfer::ProfileSetting> rows,
                                                    const std::vector<Key>& overrides);

}  // namespace orvane::ctl
