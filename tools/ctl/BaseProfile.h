// SPDX-License-Identifier: Apache-2.0
#pragma once
// base-profile: the window's base-station write as a profile, its field rows filled from the
// command line or, where an option is absent, from the window's fields as it opens.

#include <string>
#include <utility>
#include <vector>

#include "Options.h"
#include "transfer/ProfileFile.h"

namespace orvane::ctl {

struct BaseProfileRows {
  std::vector<transfer::ProfileSetting> rows;  // in the order they are written
  // A field's row whose option is absent and whose window default is empty or zero is left out:
  // written, it would blank the base station's address or position. Each: key, its option.
  std::vector<std::pair<std::string, std::string>> leftOut;
};

// The forty-nine rows, less those left out.
BaseProfileRows BaseProfileSettings(const BaseProfileFields& given);

}  // namespace orvane::ctl
