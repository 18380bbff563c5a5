// SPDX-License-Identifier: Apache-2.0
#include "DeviceCheck.h"

#include "platform/qt/PortDevices.h"

namespace orvane::ctl {

std::optional<std::string> WhyDeviceCannotOpen(const std::string& device) {
  const auto fault = platform::qt::DeviceFault(QByteArray::fromStdString(device));
  if (!fault) return std::nullopt;
  return "port cannot be opened: " + fault->toStdString();
}

}  // namespace orvane::ctl
