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
  std::vector<const char*> taken;
  std::vector<const char*> refused;
};

TEST(SettingValues, RefusesWhatAReceiverWouldRefuse) {
  const Case cases[] = {
      {"surveyed_position",
       "surveyed_lat",
       {"51.4778", "-90", "5."},
       {"90.0001", "north", "", "nan", "1e1", " 5", "."}},
      {"surveyed_position", "surveyed_lon", {"-180"}, {"180.5"}},
      {"surveyed_position", "surveyed_alt", {"-12.75"}, {"12,75"}},
      {"solution", "elevation_mask", {"0", "90"}, {"-1", "91", "ten"}},
      {"ethernet",
       "ip_address",
       {"192.168.0.222", "0.0.0.0"},
       {"256.1.1.1", "1.2.3", "1.2.3.4.5", "1..3.4", "1.2.3.4.", "", "fe80::1"}},
      {"ethernet", "netmask", {"255.255.255.0"}, {}},
      {"ethernet", "gateway", {}, {"gateway"}},
      {"ethernet", "interface_mode", {"Config"}, {"Off"}},
      {"uart0", "mode", {"RTCMv3 OUT"}, {}},
      {"uart1", "mode", {}, {"sbp"}},
      {"uart1", "flow_control", {"None"}, {"XON"}},
      {"tcp_server1", "mode", {"NMEA OUT"}, {}},
      {"tcp_client0", "mode", {"Disabled"}, {}},
      {"udp_client1", "mode", {}, {"Enabled"}},
      {"acquisition", "glonass_acquisition_enabled", {"True"}, {"true"}},
      {"solution", "enable_beidou", {}, {"1"}},
      {"surveyed_position", "broadcast", {"False"}, {}},
      {"nmea", "gpgga_msg_rate", {}, {"-1"}},
      {"tcp_server0", "port", {}, {"65536"}},
      {"uart1", "baudrate", {"230400"}, {}},
      {"uart0", "baudrate", {}, {"14400"}},
      // Settings no rule names take anything.
      {"uart0", "enabled_sbp_messages", {"anything at all"}, {}},
      {"custom", "setting", {""}, {}},
  };
  for (const Case& c : cases) {
    for (const bool acceptable : {true, false}) {
      for (const char* value : acceptable ? c.taken : c.refused) {
        EXPECT_EQ(ValueAcceptable(c.section, c.name, value), acceptable)
            << c.section << "." << c.name << " = \"" << value << "\"";
      }
    }
  }
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
