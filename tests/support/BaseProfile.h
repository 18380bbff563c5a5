// SPDX-License-Identifier: Apache-2.0
#pragma once
// The golden profile of the window's base-station write as it opens (tests/data), for the tests
// that hold a write or base-profile against it.

#include <string>
#include <vector>

#include "support/TempDir.h"
#include "transfer/ProfileFile.h"

namespace orvane::testing {

inline std::string BaseProfileText() {
  return ReadFile(ORVANE_TEST_DATA "/base-profile.ini");
}

inline std::vector<transfer::ProfileSetting> BaseProfileRows() {
  return transfer::ParseProfile(BaseProfileText()).rows;
}

}  // namespace orvane::testing
