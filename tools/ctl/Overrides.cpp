// SPDX-License-Identifier: Apache-2.0
#include "Overrides.h"

namespace orvane::ctl {

std::vector<transfer::ProfileSetting> WithOverrides(std::vector<transfer::ProfileSetting> rows,
                                                    const std::vector<Key>& overrides) {
  for (const Key& key : overrides) {
    bool found = false;
    for (transfer::ProfileSetting& row : rows) {
      if (row.section != key.section || row.name != key.name) continue;
      row.value = key.value;
      row.line = 0;
      found = true;
    }
    if (!found) rows.push_back({key.section, key.name, key.value, 0});
  }
  return rows;
}

}  // namespace orvane::ctl
