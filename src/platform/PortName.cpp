// SPDX-License-Identifier: Apache-2.0
#include "platform/PortName.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace orvane::platform {

namespace {

constexpr std::string_view kTcpScheme = "tcp://";

bool AllDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Digits only: from_chars alone would take a number that is only the start of the text.
template <typename T>
std::optional<T> Number(std::string_view text) {
  T value{};
  if (!AllDigits(text)) return std::nullopt;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::variant<PortName, std::string> ParseTcp(std::string_view address) {
  const std::string expected = "expected tcp://HOST:PORT";
  const auto colon = address.rfind(':');
  if (colon == std::string_view::npos) return expected;
  std::string_view host = address.substr(0, colon);
  const auto port = Number<std::uint16_t>(address.substr(colon + 1));
  if (!port || *port == 0) return expected + " with PORT 1 to 65535";
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
  } else if (host.find(':') != std::string_view::npos) {
    return expected + " (an IPv6 address goes in brackets: tcp://[::1]:55555)";
  }
  if (host.empty() || host.find_first_of("[]/ ") != std::string_view::npos) return expected;
  PortName name;
  name.kind = PortName::Kind::Tcp;
  name.host = std::string(host);
  name.tcpPort = *port;
  return name;
}

}  // namespace

bool IsTcpName(std::string_view text) {
  return text.substr(0, kTcpScheme.size()) == kTcpScheme;
}

std::variant<PortName, std::string> ParsePortName(std::string_view text) {
  auto named = [&](std::variant<PortName, std::string> result) {
    if (auto* why = std::get_if<std::string>(&result)) *why = std::string(text) + ": " + *why;
    return result;
  };
  if (text.empty()) return std::string("a port needs a device, a number or tcp://HOST:PORT");
  if (IsTcpName(text)) return named(ParseTcp(text.substr(kTcpScheme.size())));
  PortName name;
  if (AllDigits(text)) {
    const auto number = Number<std::int16_t>(text);
    if (!number || *number < 1) return named(std::string("port numbers run from 1 to 32767"));
    name.kind = PortName::Kind::Number;
    name.number = *number;
    return name;
  }
  name.device = std::string(text);
  return name;
}

}  // namespace orvane::platform
