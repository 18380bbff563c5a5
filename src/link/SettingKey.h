// SPDX-License-Identifier: Apache-2.0
#pragma once
// A receiver setting's name: its section and its name within the section. Everything above the
// link names settings with this one type: the engine, the profiles, the window's fields and
// orvanectl.

#include <compare>
#include <string>

namespace orvane::link {

struct SettingKey {
  std::string section;
  std::string name;
  friend bool operator==(const SettingKey&, const SettingKey&) = default;
  friend auto operator<=>(const SettingKey&, const SettingKey&) = default;
};

}  // namespace orvane::link
