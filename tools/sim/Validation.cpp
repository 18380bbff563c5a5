// SPDX-License-Identifier: Apache-2.0
#include "Validation.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <string_view>

namespace orvane::sim {

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

bool NumberIn(const std::string& text, double low, double high) {
  if (!IsDecimal(text)) return false;
  const double value = std::strtod(text.c_str(), nullptr);
  return value >= low && value <= high;
}

bool WholeIn(const std::string& text, long low, long high) {
  if (text.empty() || text.size() > 9) return false;
  if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return false;
  }
  const long value = std::strtol(text.c_str(), nullptr, 10);
  return value >= low && value <= high;
}

// Four parts of one to three digits, each 0..255.
bool IsIpv4(const std::string& text) {
  int parts = 0;
  std::size_t start = 0;
  for (;;) {
    const std::size_t dot = text.find('.', start);
    const std::string part = text.substr(start, dot == std::string::npos ? dot : dot - start);
    if (part.size() > 3 || !WholeIn(part, 0, 255)) return false;
    ++parts;
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  return parts == 4;
}

bool OneOf(const std::string& text, std::initializer_list<std::string_view> choices) {
  return std::find(choices.begin(), choices.end(), text) != choices.end();
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
};

bool Holds(Kind kind, const std::string& value) {
  switch (kind) {
    case Kind::Latitude:
      return NumberIn(value, -90, 90);
    case Kind::Longitude:
      return NumberIn(value, -180, 180);
    case Kind::Altitude:  // from the deepest mine to above any aircraft a base would sit in
      return NumberIn(value, -10'000, 100'000);
    case Kind::ElevationMask:
      return NumberIn(value, 0, 90);
    case Kind::Ipv4:
      return IsIpv4(value);
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
      return WholeIn(value, 0, 100'000);
    case Kind::TcpPort:
      return WholeIn(value, 1, 65535);
  }
  return true;
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

bool ValueAcceptable(const std::string& section, const std::string& name,
                     const std::string& value) {
  for (const Rule& rule : kRules) {
    if (Matches(rule.section, section) && Matches(rule.name, name)) return Holds(rule.kind, value);
  }
  return true;
}

}  // namespace orvane::sim
