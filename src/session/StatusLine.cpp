// SPDX-License-Identifier: Apache-2.0
#include "session/StatusLine.h"

namespace orvane::session {

std::string CaptionWithNumber(std::string_view before, int number, std::string_view after) {
  std::string caption(before);
  if (number >= 0) caption += ' ';
  caption += std::to_string(number);
  caption += after;
  return caption;
}

}  // namespace orvane::session
