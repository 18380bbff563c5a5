// SPDX-License-Identifier: Apache-2.0
#pragma once
// The base-station configuration: the twelve settings the window shows (in the order they are
// read), and the forty-nine rows that are written, in the order they go out.

#include <optional>
#include <vector>

#include "transfer/Profile.h"

namespace orvane::transfer {

// The window's setting fields, in read order.
const std::vector<FormField>& BaseStationFields();
// The field that carries a setting, if the window has one.
std::optional<FormField> FieldFor(const SettingKey& key);

// The written profile: the window's fields plus the fixed base-station settings.
const Profile& BaseStationProfile();

}  // namespace orvane::transfer
