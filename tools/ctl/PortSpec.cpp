// SPDX-License-Identifier: Apache-2.0
#include "PortSpec.h"

#include "platform/PortName.h"

namespace orvane::ctl {

std::variant<PortSpec, std::string> ParsePortSpec(std::string_view text) {
  PortSpec spec;
  spec.text = std::string(text);
  if (text == "auto") return spec;
  if (text.empty()) return std::string("--port needs a device, a number, tcp://HOST:PORT or auto");
  auto parsed = platform::ParsePortName(text);
  if (auto* why = std::get_if<std::string>(&parsed)) return "--port " + *why;
  const auto& name = std::get<platform::PortName>(parsed);
  using Kind = platform::PortName::Kind;
  spec.kind = name.kind == Kind::Tcp      ? PortSpec::Kind::Tcp
              : name.kind == Kind::Number ? PortSpec::Kind::Number
                                          : PortSpec::Kind::Device;
  spec.device = name.device;
  spec.number = name.number;
  spec.host = name.host;
  spec.tcpPort = name.tcpPort;
  return spec;
}

}  // namespace orvane::ctl
