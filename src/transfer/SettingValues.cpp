// SPDX-License-Identifier: Apache-2.0
#include "transfer/SettingValues.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <string_view>

namespace orvane::transfer {

namespace {

// A plain decimal: an optional sign, digits, an optional fraction. No exponent, no spaces, no
// "nan" or "inf", which strtod alone would take.
bool IsDecimal(std::string_view text) {
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
  bool digits = false;
  bool point = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      digits = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digits;
}

bool NumberIn(std::string_view text, double low, double high) {
  if (!IsDecimal(text)) return false;
  const double value = std::strtod(std::string(text).c_str(), nullptr);
  return value >= low && value <= high;
}

bool WholeIn(std::string_view text, long low, long high) {
  if (text.empty() || text.size() > 9) return false;
  if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return false;
  }
  const long value = std::strtol(std::string(text).c_str(), nullptr, 10);
  return value >= low && value <= high;
}

// Four parts of one to three digits, each 0..255.
bool IsIpv4(std::string_view text) {
  int parts = 0;
  std::size_t start = 0;
  for (;;) {
    const std::size_t dot = text.find('.', start);
    const std::string_view part =
        text.substr(start, dot == std::string_view::npos ? dot : dot - start);
    if (part.size() > 3 || !WholeIn(part, 0, 255)) return false;
    ++parts;
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  return parts == 4;
}

using Choices = std::initializer_list<std::string_view>;

std::optional<std::string> OneOf(std::string_view text, Choices choices) {
  if (std::find(choices.begin(), choices.end(), text) != choices.end()) return std::nullopt;
  std::string words = "not one of ";
  for (const std::string_view choice : choices) {
    if (words.back() != ' ') words += ", ";
    words += '"' + std::string(choice) + '"';
  }
  return words;
}

std::optional<std::string> Unless(bool holds, const char* why) {
  return holds ? std::nullopt : std::optional<std::string>(why);
}

enum class Kind {
  Latitude,
  Longitude,
  Altitude,
  ElevationMask,
  Ipv4,
  StreamMode,
  ClientMode,
  InterfaceMode,
  FlowControl,
  Boolean,
  Rate,
  TcpPort,
  BaudRate,
};

std::optional<std::string> WhyNot(Kind kind, std::string_view value) {
  switch (kind) {
    case Kind::Latitude:
      return Unless(NumberIn(value, -90, 90), "not a latitude: a decimal number from -90 to 90");
    case Kind::Longitude:
      return Unless(NumberIn(value, -180, 180),
                    "not a longitude: a decimal number from -180 to 180");
    case Kind::Altitude:  // from the deepest mine to above any aircraft a base would sit in
      return Unless(NumberIn(value, -10'000, 100'000),
                    "not an altitude: a decimal number of metres from -10000 to 100000");
    case Kind::ElevationMask:
      return Unless(NumberIn(value, 0, 90),
                    "not an elevation mask: a decimal number of degrees from 0 to 90");
    case Kind::Ipv4:
      return Unless(IsIpv4(value),
                    "not an IPv4 address: four numbers 0 to 255 joined by dots, e.g. "
                    "192.168.0.222");
    case Kind::StreamMode:
      return OneOf(value, {"SBP", "NMEA OUT", "RTCMv3 OUT"});
    case Kind::ClientMode:
      return OneOf(value, {"Disabled", "SBP", "NMEA OUT", "RTCMv3 OUT"});
    case Kind::InterfaceMode:
      return OneOf(value, {"Config", "Active"});
    case Kind::FlowControl:
      return OneOf(value, {"None", "RTS/CTS"});
    case Kind::Boolean:
      return OneOf(value, {"True", "False"});
    case Kind::Rate:
      return Unless(WholeIn(value, 0, 100'000), "not a message rate: a whole number 0 to 100000");
    case Kind::TcpPort:
      return Unless(WholeIn(value, 1, 65535), "not a port number: a whole number 1 to 65535");
    case Kind::BaudRate:
      return OneOf(value,
                   {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200", "230400"});
  }
  return std::nullopt;
}

// "*" stands for any run of characters, at most once in a pattern.
bool Matches(std::string_view pattern, std::string_view text) {
  const std::size_t star = pattern.find('*');
  if (star == std::string_view::npos) return pattern == text;
  const std::string_view head = pattern.substr(0, star);
  const std::string_view tail = pattern.substr(star + 1);
  return text.size() >= head.size() + tail.size() && text.starts_with(head) && text.ends_with(tail);
}

struct Rule {
  std::string_view section;
  std::string_view name;
  Kind kind;
};

constexpr Rule kRules[] = {
    {"surveyed_position", "surveyed_lat", Kind::Latitude},
    {"surveyed_position", "surveyed_lon", Kind::Longitude},
    {"surveyed_position", "surveyed_alt", Kind::Altitude},
    {"surveyed_position", "broadcast", Kind::Boolean},
    {"solution", "elevation_mask", Kind::ElevationMask},
    {"solution", "enable_*", Kind::Boolean},
    {"ethernet", "ip_address", Kind::Ipv4},
    {"ethernet", "netmask", Kind::Ipv4},
    {"ethernet", "gateway", Kind::Ipv4},
    {"ethernet", "interface_mode", Kind::InterfaceMode},
    {"uart*", "mode", Kind::StreamMode},
    {"uart*", "flow_control", Kind::FlowControl},
    {"uart*", "baudrate", Kind::BaudRate},
    {"tcp_server*", "mode", Kind::StreamMode},
    {"tcp_server*", "port", Kind::TcpPort},
    {"tcp_client*", "mode", Kind::ClientMode},
    {"udp_client*", "mode", Kind::ClientMode},
    {"acquisition", "*_enabled", Kind::Boolean},
    {"imu", "*_output", Kind::Boolean},
    {"nmea", "*_msg_rate", Kind::Rate},
    {"ntrip", "enable", Kind::Boolean},
    {"simulator", "enabled", Kind::Boolean},
    {"standalone_logging", "enable", Kind::Boolean},
};

}  // namespace

std::optional<std::string> WhyValueRefused(std::string_view section, std::string_view name,
                                           std::string_view value) {
  for (const Rule& rule : kRules) {
    if (Matches(rule.section, section) && Matches(rule.name, name)) return WhyNot(rule.kind, value);
  }
  return std::nullopt;
}

}  // namespace orvane::transfer
