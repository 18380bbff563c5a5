// SPDX-License-Identifier: Apache-2.0
#include "BaseProfile.h"

#include <tuple>
#include <variant>

#include "transfer/BaseStation.h"

namespace orvane::ctl {

namespace {

using link::SettingKey;

const SettingKey kIp{"ethernet", "ip_address"};
const SettingKey kGateway{"ethernet", "gateway"};
const SettingKey kNetmask{"ethernet", "netmask"};
const SettingKey kMask{"solution", "elevation_mask"};
const SettingKey kLat{"surveyed_position", "surveyed_lat"};
const SettingKey kLon{"surveyed_position", "surveyed_lon"};
const SettingKey kAlt{"surveyed_position", "surveyed_alt"};
const SettingKey kRtk{"uart0", "mode"};  // on: "SBP"
const SettingKey kBeidou{"acquisition", "bds2_acquisition_enabled"};
const SettingKey kGlonass{"acquisition", "glonass_acquisition_enabled"};
const SettingKey kSbas{"acquisition", "sbas_acquisition_enabled"};
const SettingKey kGalileo{"acquisition", "galileo_acquisition_enabled"};

}  // namespace

// The window opens with empty address fields, an elevation mask of 10, the position at 0, 0,
// 0, GLONASS and SBAS checked and "SBP" chosen; a test holds this against the window itself.
CommandLineFields::CommandLineFields(const BaseProfileFields& flags)
    : texts_{{kIp, ""},   {kGateway, ""}, {kNetmask, ""}, {kMask, "10"},
             {kLat, "0"}, {kLon, "0"},    {kAlt, "0"}},
      switches_{
          {kRtk, true}, {kBeidou, false}, {kGlonass, true}, {kSbas, true}, {kGalileo, false}} {
  const std::pair<const SettingKey&, const std::optional<std::string>&> texts[] = {
      {kIp, flags.ip},           {kGateway, flags.gateway},
      {kNetmask, flags.netmask}, {kMask, flags.elevationMask},
      {kLat, flags.lat},         {kLon, flags.lon},
      {kAlt, flags.alt}};
  for (const auto& [key, value] : texts) {
    if (value) texts_[key] = *value;
  }
  if (flags.rtcm) switches_[kRtk] = !*flags.rtcm;
  const std::pair<const SettingKey&, const std::optional<bool>&> switches[] = {
      {kBeidou, flags.beidou},
      {kGlonass, flags.glonass},
      {kSbas, flags.sbas},
      {kGalileo, flags.galileo}};
  for (const auto& [key, on] : switches) {
    if (on) switches_[key] = *on;
  }
}

std::string CommandLineFields::Text(const SettingKey& key) const {
  const auto it = texts_.find(key);
  return it == texts_.end() ? std::string() : it->second;
}

void CommandLineFields::SetText(const SettingKey& key, std::string_view text) {
  texts_[key] = std::string(text);
}

bool CommandLineFields::IsOn(const SettingKey& key) const {
  const auto it = switches_.find(key);
  return it != switches_.end() && it->second;
}

void CommandLineFields::SetOn(const SettingKey& key, bool on) {
  switches_[key] = on;
}

// The fields whose window default is empty or zero, with the flag that fills each.
std::optional<std::string> BlankingFlag(const SettingKey& key, const BaseProfileFields& flags) {
  const std::tuple<const SettingKey&, const std::optional<std::string>&, const char*> blanks[] = {
      {kIp, flags.ip, "--ip"},
      {kGateway, flags.gateway, "--gateway"},
      {kNetmask, flags.netmask, "--netmask"},
      {kLat, flags.lat, "--lat"},
      {kLon, flags.lon, "--lon"},
      {kAlt, flags.alt, "--alt"}};
  for (const auto& [blank, value, flag] : blanks) {
    if (blank == key && !value) return flag;
  }
  return std::nullopt;
}

BaseProfileRows BaseProfileSettings(const BaseProfileFields& flags) {
  const CommandLineFields fields(flags);
  BaseProfileRows out;
  for (const transfer::ProfileRow& row : transfer::BaseStationProfile()) {
    std::string value;
    if (const auto* constant = std::get_if<std::string>(&row.value)) {
      value = *constant;
    } else {
      if (const auto flag = BlankingFlag(row.key, flags)) {
        out.leftOut.emplace_back(row.key.section + "." + row.key.name, *flag);
        continue;
      }
      const auto field = transfer::FieldFor(std::get<transfer::FieldOf>(row.value).key);
      if (field) value = transfer::FieldValue(fields, *field);
    }
    out.rows.push_back({row.key.section, row.key.name, std::move(value), 0});
  }
  return out;
}

}  // namespace orvane::ctl
