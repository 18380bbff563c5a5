#pragma once
// The forty-nine settings writes as the receiver must hear them with the window as it opens
// (address fields empty, mask "10", position "0", "0", "0", GLONASS and SBAS checked, "SBP"
// selected). Typed out independently of the program's own table.

#include <string>
#include <vector>

namespace orvane::testing {

using Row = std::vector<std::string>;  // section, name, value

inline std::vector<Row> ExpectedWriteRows() {
  return {
      {"ethernet", "interface_mode", "Config"},
      {"ethernet", "ip_address", ""},
      {"ethernet", "gateway", ""},
      {"ethernet", "netmask", ""},
      {"solution", "elevation_mask", "10"},
      {"ethernet", "interface_mode", "Active"},
      {"surveyed_position", "surveyed_lat", "0"},
      {"surveyed_position", "surveyed_lon", "0"},
      {"surveyed_position", "surveyed_alt", "0"},
      {"uart0", "mode", "SBP"},
      {"acquisition", "bds2_acquisition_enabled", "False"},
      {"solution", "enable_beidou", "False"},
      {"acquisition", "glonass_acquisition_enabled", "True"},
      {"solution", "enable_glonass", "True"},
      {"acquisition", "sbas_acquisition_enabled", "True"},
      {"acquisition", "galileo_acquisition_enabled", "False"},
      {"solution", "enable_galileo", "False"},
      {"imu", "imu_raw_output", "False"},
      {"imu", "mag_raw_output", "False"},
      {"nmea", "gpgga_msg_rate", "0"},
      {"nmea", "gprmc_msg_rate", "0"},
      {"nmea", "gpvtg_msg_rate", "0"},
      {"nmea", "gphdt_msg_rate", "0"},
      {"nmea", "gpgll_msg_rate", "0"},
      {"nmea", "gpzda_msg_rate", "0"},
      {"nmea", "gsa_msg_rate", "0"},
      {"nmea", "gpgst_msg_rate", "0"},
      {"nmea", "gpgsv_msg_rate", "0"},
      {"ntrip", "enable", "False"},
      {"simulator", "enabled", "False"},
      {"standalone_logging", "enable", "False"},
      {"surveyed_position", "broadcast", "True"},
      {"tcp_client0", "mode", "Disabled"},
      {"tcp_client1", "mode", "Disabled"},
      {"tcp_server0", "enabled_sbp_messages",
       "23,65,72,74,81,97,117,134,136,137,138,139,144,149,163,165,166,167,171,181,185,187,188,"
       "189,190,257,258,259,520,522,524,526,527,528,1025,2304/50,2305,2306/50,4098,30583,65280,"
       "65282,65535"},
      {"tcp_server0", "port", "55555"},
      {"tcp_server0", "mode", "SBP"},
      {"tcp_server1", "enabled_sbp_messages", "68,72,74,117,165,175,65535"},
      {"tcp_server1", "port", "55556"},
      {"tcp_server1", "mode", "SBP"},
      {"uart0", "enabled_sbp_messages", "68,72,74,165,175,117,65535"},
      {"uart0", "baudrate", "19200"},
      {"uart0", "flow_control", "None"},
      {"uart1", "enabled_sbp_messages", "165,175,65535"},
      {"uart1", "mode", "SBP"},
      {"uart1", "baudrate", "19200"},
      {"uart1", "flow_control", "None"},
      {"udp_client0", "mode", "Disabled"},
      {"udp_client1", "mode", "Disabled"},
  };
}

}  // namespace orvane::testing
