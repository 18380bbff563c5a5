// SPDX-License-Identifier: Apache-2.0
#include "transfer/BaseStation.h"

#include <algorithm>

namespace orvane::transfer {

namespace {

FieldOf Field(const char* section, const char* name) {
  return FieldOf{{section, name}};
}

Profile MakeProfile() {
  const FieldOf beidou = Field("acquisition", "bds2_acquisition_enabled");
  const FieldOf glonass = Field("acquisition", "glonass_acquisition_enabled");
  const FieldOf galileo = Field("acquisition", "galileo_acquisition_enabled");
  const FieldOf rtk = Field("uart0", "mode");
  const RowRules byValue{.matchedByValue = true};
  return {
      {{"ethernet", "interface_mode"}, "Config", byValue},
      {{"ethernet", "ip_address"}, Field("ethernet", "ip_address")},
      {{"ethernet", "gateway"}, Field("ethernet", "gateway"), {.answerShown = true}},
      {{"ethernet", "netmask"}, Field("ethernet", "netmask")},
      {{"solution", "elevation_mask"}, Field("solution", "elevation_mask")},
      {{"ethernet", "interface_mode"}, "Active", byValue},
      {{"surveyed_position", "surveyed_lat"}, Field("surveyed_position", "surveyed_lat")},
      {{"surveyed_position", "surveyed_lon"}, Field("surveyed_position", "surveyed_lon")},
      {{"surveyed_position", "surveyed_alt"}, Field("surveyed_position", "surveyed_alt")},
      {{"uart0", "mode"}, rtk},
      {{"acquisition", "bds2_acquisition_enabled"}, beidou},
      {{"solution", "enable_beidou"}, beidou},
      {{"acquisition", "glonass_acquisition_enabled"}, glonass},
      {{"solution", "enable_glonass"}, glonass},
      {{"acquisition", "sbas_acquisition_enabled"},
       Field("acquisition", "sbas_acquisition_enabled")},
      {{"acquisition", "galileo_acquisition_enabled"}, galileo},
      {{"solution", "enable_galileo"}, galileo},
      {{"imu", "imu_raw_output"}, "False"},
      {{"imu", "mag_raw_output"}, "False"},
      {{"nmea", "gpgga_msg_rate"}, "0"},
      {{"nmea", "gprmc_msg_rate"}, "0"},
      {{"nmea", "gpvtg_msg_rate"}, "0"},
      {{"nmea", "gphdt_msg_rate"}, "0"},
      {{"nmea", "gpgll_msg_rate"}, "0"},
      {{"nmea", "gpzda_msg_rate"}, "0"},
      {{"nmea", "gsa_msg_rate"}, "0"},
      {{"nmea", "gpgst_msg_rate"}, "0"},
      {{"nmea", "gpgsv_msg_rate"}, "0"},
      {{"ntrip", "enable"}, "False"},
      {{"simulator", "enabled"}, "False"},
      {{"standalone_logging", "enable"}, "False"},
      {{"surveyed_position", "broadcast"}, "True"},
      {{"tcp_client0", "mode"}, "Disabled"},
      {{"tcp_client1", "mode"}, "Disabled"},
      {{"tcp_server0", "enabled_sbp_messages"},
       "23,65,72,74,81,97,117,134,136,137,138,139,144,149,163,165,166,167,171,181,185,187,188,"
       "189,190,257,258,259,520,522,524,526,527,528,1025,2304/50,2305,2306/50,4098,30583,65280,"
       "65282,65535"},
      {{"tcp_server0", "port"}, "55555"},
      {{"tcp_server0", "mode"}, "SBP"},
      {{"tcp_server1", "enabled_sbp_messages"}, "68,72,74,117,165,175,65535"},
      {{"tcp_server1", "port"}, "55556"},
      {{"tcp_server1", "mode"}, rtk},
      {{"uart0", "enabled_sbp_messages"}, "68,72,74,165,175,117,65535"},
      {{"uart0", "baudrate"}, "19200"},
      {{"uart0", "flow_control"}, "None"},
      {{"uart1", "enabled_sbp_messages"}, "165,175,65535"},
      // Receivers do not reliably answer a change of the mode of the port they talk on.
      {{"uart1", "mode"}, "SBP", {.countedWhenSent = true}},
      {{"uart1", "baudrate"}, "19200"},
      {{"uart1", "flow_control"}, "None"},
      {{"udp_client0", "mode"}, "Disabled"},
      {{"udp_client1", "mode"}, "Disabled"},
  };
}

}  // namespace

const std::vector<FormField>& BaseStationFields() {
  static const std::vector<FormField> fields{
      {{"ethernet", "ip_address"}, FieldKind::Text},
      {{"ethernet", "gateway"}, FieldKind::Text},
      {{"ethernet", "netmask"}, FieldKind::Text},
      {{"solution", "elevation_mask"}, FieldKind::Text},
      {{"surveyed_position", "surveyed_lat"}, FieldKind::Text},
      {{"surveyed_position", "surveyed_lon"}, FieldKind::Text},
      {{"surveyed_position", "surveyed_alt"}, FieldKind::Text},
      {{"uart0", "mode"}, FieldKind::SbpChoice},
      {{"acquisition", "bds2_acquisition_enabled"}, FieldKind::Switch},
      {{"acquisition", "glonass_acquisition_enabled"}, FieldKind::Switch},
      {{"acquisition", "sbas_acquisition_enabled"}, FieldKind::Switch},
      {{"acquisition", "galileo_acquisition_enabled"}, FieldKind::Switch},
  };
  return fields;
}

std::optional<FormField> FieldFor(const SettingKey& key) {
  const auto& fields = BaseStationFields();
  const auto it = std::ranges::find(fields, key, &FormField::key);
  if (it == fields.end()) return std::nullopt;
  return *it;
}

const Profile& BaseStationProfile() {
  static const Profile profile = MakeProfile();
  return profile;
}

}  // namespace orvane::transfer
