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
      // Counted once sent, whether or not the receiver answers it.
      {{"uart1", "mode"}, "SBP", {.countedWhenSent = true}},
      {{"uart1", "baudrate"}, "19200"},
      {{"uart1", "flow_control"}, "None"},
      {{"udp_client0", "mode"}, "Disabled"},
      {{"udp_client1", "mode"}, "Disabled"},
  };
}

}  // namespace

// In read order. The window opens with empty address fields, an elevation mask of 10, the
// position at 0, 0, 0, GLONASS and SBAS checked and "SBP" chosen.
const std::vector<FormField>& BaseStationFields() {
  using enum FieldKind;
  static const std::vector<FormField> fields{
      {{"ethernet", "ip_address"}, Text, "txtIP", "", "--ip", "Ethernet IP address"},
      {{"ethernet", "gateway"}, Text, "txtGateway", "", "--gateway", "Ethernet gateway"},
      {{"ethernet", "netmask"}, Text, "txtSubnet", "", "--netmask", "Ethernet netmask"},
      {{"solution", "elevation_mask"},
       Text,
       "txtMask",
       "10",
       "--elevation-mask",
       "solution elevation mask"},
      {{"surveyed_position", "surveyed_lat"}, Text, "txtLat", "0", "--lat", "surveyed latitude"},
      {{"surveyed_position", "surveyed_lon"}, Text, "txtLon", "0", "--lon", "surveyed longitude"},
      {{"surveyed_position", "surveyed_alt"}, Text, "txtAlt", "0", "--alt", "surveyed altitude"},
      {{"uart0", "mode"}, SbpChoice, "optSBP", "SBP", "--rtk", "sbp or rtcm"},
      {{"acquisition", "bds2_acquisition_enabled"}, Switch, "chkBeidou", "False", "beidou", ""},
      {{"acquisition", "glonass_acquisition_enabled"}, Switch, "chkGLONASS", "True", "glonass", ""},
      {{"acquisition", "sbas_acquisition_enabled"}, Switch, "chkSbas", "True", "sbas", ""},
      {{"acquisition", "galileo_acquisition_enabled"},
       Switch,
       "chkGalileo",
       "False",
       "galileo",
       ""},
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
