// SPDX-License-Identifier: Apache-2.0
#pragma once
// What a port is called, wherever a person names one (orvanectl's --port, the ORVANE_COM<N>
// variables behind the window's Comm menu): a device path, a Comm item number, or
// tcp://HOST:PORT with an IPv6 host in brackets (tcp://[::1]:55555). A bare IPv6 host is refused
// rather than guessed at: in tcp://fe80::1 the last group could be the port.

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace orvane::platform {

struct PortName {
  enum class Kind : std::uint8_t { Device, Number, Tcp };
  Kind kind = Kind::Device;
  std::string device;         // Device: the path as given
  std::int16_t number = 0;    // Number: 1 and up
  std::string host;           // Tcp: without brackets
  std::uint16_t tcpPort = 0;  // Tcp: 1 to 65535
};

// The port text names, or why it names none, in words that follow the text:
// "TEXT: expected tcp://HOST:PORT with PORT 1 to 65535".
std::variant<PortName, std::string> ParsePortName(std::string_view text);

// Whether text is meant as a TCP address, well formed or not.
bool IsTcpName(std::string_view text);

}  // namespace orvane::platform
