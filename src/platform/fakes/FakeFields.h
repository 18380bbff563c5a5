// SPDX-License-Identifier: Apache-2.0
#pragma once
// The window's setting fields as plain data, with the window's initial contents.

#include <map>
#include <string>

#include "platform/FormFields.h"

namespace orvane::platform::fakes {

class FakeFields final : public FormFields {
 public:
  std::string Text(const SettingKey& key) const override {
    const auto it = texts_.find(key);
    return it == texts_.end() ? std::string() : it->second;
  }
  void SetText(const SettingKey& key, std::string_view text) override {
    texts_[key] = std::string(text);
  }
  bool IsOn(const SettingKey& key) const override {
    const auto it = switches_.find(key);
    return it != switches_.end() && it->second;
  }
  void SetOn(const SettingKey& key, bool on) override { switches_[key] = on; }

 private:
  std::map<SettingKey, std::string> texts_{{{"ethernet", "ip_address"}, ""},
                                           {{"ethernet", "netmask"}, ""},
                                           {{"ethernet", "gateway"}, ""},
                                           {{"solution", "elevation_mask"}, "10"},
                                           {{"surveyed_position", "surveyed_lat"}, "0"},
                                           {{"surveyed_position", "surveyed_lon"}, "0"},
                                           {{"surveyed_position", "surveyed_alt"}, "0"}};
  std::map<SettingKey, bool> switches_{{{"acquisition", "glonass_acquisition_enabled"}, true},
                                       {{"acquisition", "sbas_acquisition_enabled"}, true},
                                       {{"acquisition", "bds2_acquisition_enabled"}, false},
                                       {{"acquisition", "galileo_acquisition_enabled"}, false},
                                       {{"uart0", "mode"}, true}};
};

}  // namespace orvane::platform::fakes
