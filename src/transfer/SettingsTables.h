#pragma once
// The two tables of receiver settings: the twelve that are read into the window and the
// forty-nine of the base-station profile that are written, in the order they go out.

#include <array>
#include <string_view>
#include <variant>

#include "platform/Controls.h"

namespace orvane::transfer {

// Where a row's value comes from, or where an answer's value goes:
//   a constant text; a text box's text; a check box ("True"/"False"); the RTK protocol option
//   pair ("SBP" when optSBP is selected, else "RTCMv3 OUT").
using Constant = std::string_view;
using ValueSource =
    std::variant<Constant, platform::TextBox, platform::CheckBox, platform::OptionButton>;

struct SettingRow {
  std::string_view section;
  std::string_view name;
  ValueSource value;
};

using platform::CheckBox;
using platform::OptionButton;
using platform::TextBox;

inline constexpr std::array<SettingRow, 12> kReadTable{{
    {"ethernet", "ip_address", TextBox::txtIP},
    {"ethernet", "gateway", TextBox::txtGateway},
    {"ethernet", "netmask", TextBox::txtSubnet},
    {"solution", "elevation_mask", TextBox::txtMask},
    {"surveyed_position", "surveyed_lat", TextBox::txtLat},
    {"surveyed_position", "surveyed_lon", TextBox::txtLon},
    {"surveyed_position", "surveyed_alt", TextBox::txtAlt},
    {"uart0", "mode", OptionButton::optSBP},
    {"acquisition", "bds2_acquisition_enabled", CheckBox::chkBeidou},
    {"acquisition", "glonass_acquisition_enabled", CheckBox::chkGLONASS},
    {"acquisition", "sbas_acquisition_enabled", CheckBox::chkSbas},
    {"acquisition", "galileo_acquisition_enabled", CheckBox::chkGalileo},
}};

inline constexpr std::array<SettingRow, 49> kWriteTable{{
    {"ethernet", "interface_mode", Constant("Config")},
    {"ethernet", "ip_address", TextBox::txtIP},
    {"ethernet", "gateway", TextBox::txtGateway},
    {"ethernet", "netmask", TextBox::txtSubnet},
    {"solution", "elevation_mask", TextBox::txtMask},
    {"ethernet", "interface_mode", Constant("Active")},
    {"surveyed_position", "surveyed_lat", TextBox::txtLat},
    {"surveyed_position", "surveyed_lon", TextBox::txtLon},
    {"surveyed_position", "surveyed_alt", TextBox::txtAlt},
    {"uart0", "mode", OptionButton::optSBP},
    {"acquisition", "bds2_acquisition_enabled", CheckBox::chkBeidou},
    {"solution", "enable_beidou", CheckBox::chkBeidou},
    {"acquisition", "glonass_acquisition_enabled", CheckBox::chkGLONASS},
    {"solution", "enable_glonass", CheckBox::chkGLONASS},
    {"acquisition", "sbas_acquisition_enabled", CheckBox::chkSbas},
    {"acquisition", "galileo_acquisition_enabled", CheckBox::chkGalileo},
    {"solution", "enable_galileo", CheckBox::chkGalileo},
    {"imu", "imu_raw_output", Constant("False")},
    {"imu", "mag_raw_output", Constant("False")},
    {"nmea", "gpgga_msg_rate", Constant("0")},
    {"nmea", "gprmc_msg_rate", Constant("0")},
    {"nmea", "gpvtg_msg_rate", Constant("0")},
    {"nmea", "gphdt_msg_rate", Constant("0")},
    {"nmea", "gpgll_msg_rate", Constant("0")},
    {"nmea", "gpzda_msg_rate", Constant("0")},
    {"nmea", "gsa_msg_rate", Constant("0")},
    {"nmea", "gpgst_msg_rate", Constant("0")},
    {"nmea", "gpgsv_msg_rate", Constant("0")},
    {"ntrip", "enable", Constant("False")},
    {"simulator", "enabled", Constant("False")},
    {"standalone_logging", "enable", Constant("False")},
    {"surveyed_position", "broadcast", Constant("True")},
    {"tcp_client0", "mode", Constant("Disabled")},
    {"tcp_client1", "mode", Constant("Disabled")},
    {"tcp_server0", "enabled_sbp_messages",
     Constant("23,65,72,74,81,97,117,134,136,137,138,139,144,149,163,165,166,167,171,181,185,"
              "187,188,189,190,257,258,259,520,522,524,526,527,528,1025,2304/50,2305,2306/50,"
              "4098,30583,65280,65282,65535")},
    {"tcp_server0", "port", Constant("55555")},
    {"tcp_server0", "mode", Constant("SBP")},
    {"tcp_server1", "enabled_sbp_messages", Constant("68,72,74,117,165,175,65535")},
    {"tcp_server1", "port", Constant("55556")},
    {"tcp_server1", "mode", OptionButton::optSBP},
    {"uart0", "enabled_sbp_messages", Constant("68,72,74,165,175,117,65535")},
    {"uart0", "baudrate", Constant("19200")},
    {"uart0", "flow_control", Constant("None")},
    {"uart1", "enabled_sbp_messages", Constant("165,175,65535")},
    {"uart1", "mode", Constant("SBP")},
    {"uart1", "baudrate", Constant("19200")},
    {"uart1", "flow_control", Constant("None")},
    {"udp_client0", "mode", Constant("Disabled")},
    {"udp_client1", "mode", Constant("Disabled")},
}};

// Row 44, "uart1"/"mode", counts as written as soon as its own tick has sent it.
inline constexpr std::size_t kSelfConfirmedRow = 44;

// The texts that check boxes and the option pair stand for.
inline constexpr std::string_view kTrue = "True";
inline constexpr std::string_view kFalse = "False";
inline constexpr std::string_view kSbp = "SBP";
inline constexpr std::string_view kRtcm = "RTCMv3 OUT";

}  // namespace orvane::transfer
