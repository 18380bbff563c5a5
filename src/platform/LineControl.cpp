// SPDX-License-Identifier: Apache-2.0
#include "platform/LineControl.h"

namespace orvane::platform {

std::string ToText(const LineSettings& settings) {
  static constexpr char kParityLetters[] = {'N', 'E', 'O', 'M', 'S'};
  std::string text = std::to_string(settings.baud);
  text += ',';
  text += kParityLetters[static_cast<std::size_t>(settings.parity)];
  text += ',' + std::to_string(settings.dataBits) + ',' + std::to_string(settings.stopBits);
  return text;
}

}  // namespace orvane::platform
