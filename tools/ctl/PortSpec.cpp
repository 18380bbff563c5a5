// SPDX-License-Identifier: Apache-2.0
#include "PortSpec.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace orvane::ctl {

namespace {

bool AllDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

PortSpec Spec(PortSpec::Kind kind, std::string_view text) {
  PortSpec spec;
  spec.kind = kind;
  spec.text = std::string(text);
  return spec;
}

template <typename T>
std::optional<T> Number(std::string_view text) {
  T value{};
  if (!AllDigits(text)) return std::nullopt;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::variant<PortSpec, std::string> ParseTcp(std::string_view text, std::string_view address) {
  const std::string bad = "--port " + std::string(text) + ": expected tcp://HOST:PORT";
  const auto colon = address.rfind(':');
  if (colon == std::string_view::npos) return bad;
  std::string_view host = address.substr(0, colon);
  const auto port = Number<std::uint16_t>(address.substr(colon + 1));
  if (!port || *port == 0) return bad + " with PORT 1 to 65535";
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
  } else if (host.find(':') != std::string_view::npos) {
    return bad + " (an IPv6 address goes in brackets)";
  }
  if (host.empty() || host.find_first_of("[]/ ") != std::string_view::npos) return bad;
  PortSpec spec = Spec(PortSpec::Kind::Tcp, text);
  spec.host = std::string(host);
  spec.tcpPort = *port;
  return spec;
}

}  // namespace

std::variant<PortSpec, std::string> ParsePortSpec(std::string_view text) {
  constexpr std::string_view kTcp = "tcp://";
  if (text.empty()) return std::string("--port needs a device, a number, tcp://HOST:PORT or auto");
  if (text == "auto") return Spec(PortSpec::Kind::Auto, text);
  if (text.substr(0, kTcp.size()) == kTcp) return ParseTcp(text, text.substr(kTcp.size()));
  if (AllDigits(text)) {
    const auto number = Number<std::int16_t>(text);
    if (!number || *number < 1) {
      return "--port " + std::string(text) + ": port numbers run from 1 to 32767";
    }
    PortSpec spec = Spec(PortSpec::Kind::Number, text);
    spec.number = *number;
    return spec;
  }
  PortSpec spec = Spec(PortSpec::Kind::Device, text);
  spec.device = spec.text;
  return spec;
}

}  // namespace orvane::ctl
