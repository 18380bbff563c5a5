// SPDX-License-Identifier: Apache-2.0
// The values a receiver refuses (orvanectl before sending, the simulated receiver under
// --validate), and that it takes every value the window and the base-station profile write.

#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "transfer/BaseStation.h"
#include "transfer/SettingValues.h"

namespace orvane::transfer {
namespace {

struct Case {
  const char* section;
  const char* name;
  const char* value;
  bool acceptable;
};

TEST(SettingValues, RefusesWhatAReceiverWouldRefuse) {
  const Case cases[] = {
      {"surveyed_position", "surveyed_lat", "51.4778", true},
      {"surveyed_position", "surveyed_lat", "-90", true},
      {"surveyed_position", "surveyed_lat", "90.0001", false},
      {"surveyed_position", "surveyed_lat", "north", false},
      {"surveyed_position", "surveyed_lat", "", false},
      {"surveyed_position", "surveyed_lat", "nan", false},
      {"surveyed_position", "surveyed_lat", "1e1", false},
      {"surveyed_position", "surveyed_lat", " 5", false},
      {"surveyed_position", "surveyed_lat", "5.", true},
      {"surveyed_position", "surveyed_lat", ".", false},
      {"surveyed_position", "surveyed_lon", "-180", true},
      {"surveyed_position", "surveyed_lon", "180.5", false},
      {"surveyed_position", "surveyed_alt", "-12.75", true},
      {"surveyed_position", "surveyed_alt", "12,75", false},
      {"solution", "elevation_mask", "0", true},
      {"solution", "elevation_mask", "90", true},
      {"solution", "elevation_mask", "-1", false},
      {"solution", "elevation_mask", "91", false},
      {"solution", "elevation_mask", "ten", false},
      {"ethernet", "ip_address", "192.168.0.222", true},
      {"ethernet", "ip_address", "0.0.0.0", true},
      {"ethernet", "ip_address", "256.1.1.1", false},
      {"ethernet", "ip_address", "1.2.3", false},
      {"ethernet", "ip_address", "1.2.3.4.5", false},
      {"ethernet", "ip_address", "1..3.4", false},
      {"ethernet", "ip_address", "1.2.3.4.", false},
      {"ethernet", "ip_address", "", false},
      {"ethernet", "ip_address", "fe80::1", false},
      {"ethernet", "netmask", "255.255.255.0", true},
      {"ethernet", "gateway", "gateway", false},
      {"ethernet", "interface_mode", "Config", true},
      {"ethernet", "interface_mode", "Off", false},
      {"uart0", "mode", "RTCMv3 OUT", true},
      {"uart1", "mode", "sbp", false},
      {"uart1", "flow_control", "None", true},
      {"uart1", "flow_control", "XON", false},
      {"tcp_server1", "mode", "NMEA OUT", true},
      {"tcp_client0", "mode", "Disabled", true},
      {"udp_client1", "mode", "Enabled", false},
      {"acquisition", "glonass_acquisition_enabled", "True", true},
      {"acquisition", "glonass_acquisition_enabled", "true", false},
      {"solution", "enable_beidou", "1", false},
      {"surveyed_position", "broadcast", "False", true},
      {"nmea", "gpgga_msg_rate", "-1", false},
      {"tcp_server0", "port", "65536", false},
      {"uart1", "baudrate", "230400", true},
      {"uart0", "baudrate", "14400", false},
      // Settings no rule names take anything.
      {"uart0", "enabled_sbp_messages", "anything at all", true},
      {"custom", "setting", "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.section) + "." + c.name + " = \"" + c.value + "\"");
    EXPECT_EQ(ValueAcceptable(c.section, c.name, c.value), c.acceptable);
  }
  // The words say what the setting takes.
  EXPECT_EQ(WhyValueRefused("uart1", "mode", "sbp"),
            "not one of \"SBP\", \"NMEA OUT\", \"RTCMv3 OUT\"");
}

TEST(SettingValues, TakesEveryValueTheBaseStationProfileWrites) {
  for (const auto& row : BaseStationProfile()) {
    const auto* text = std::get_if<std::string>(&row.value);
    const auto field = text ? std::nullopt : FieldFor(std::get<FieldOf>(row.value).key);
    EXPECT_TRUE(text || field) << row.key.name;
    const auto kind = field ? field->kind : FieldKind::Text;  // the operator's text: see above
    const std::vector<std::string> values =
        text                           ? std::vector{*text}
        : kind == FieldKind::Switch    ? std::vector<std::string>{"True", "False"}
        : kind == FieldKind::SbpChoice ? std::vector<std::string>{"SBP", "RTCMv3 OUT"}
                                       : std::vector<std::string>{};
    for (const auto& value : values)
      EXPECT_TRUE(ValueAcceptable(row.key.section, row.key.name, value))
          << row.key.section << "." << row.key.name << " = " << value;
  }
}

}  // namespace
}  // namespace orvane::transfer
