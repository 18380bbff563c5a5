// SPDX-License-Identifier: Apache-2.0
#include "link/Frame.h"

#include <algorithm>

#include "link/Checksum.h"

namespace orvane::link {

std::vector<std::uint8_t> BuildFrame(std::uint16_t type, std::uint16_t sender,
                                     std::span<const std::uint8_t> payload) {
  if (payload.size() > kMaxPayload) return {};
  const auto n = static_cast<std::int16_t>(payload.size());
  std::vector<std::uint8_t> frame(kFrameOverhead + payload.size());
  frame[0] = kPreamble;
  frame[1] = static_cast<std::uint8_t>(type & 0xFFU);
  frame[2] = static_cast<std::uint8_t>(type >> 8);
  frame[3] = static_cast<std::uint8_t>(sender & 0xFFU);
  frame[4] = static_cast<std::uint8_t>(sender >> 8);
  frame[5] = static_cast<std::uint8_t>(n);
  std::copy(payload.begin(), payload.end(), frame.begin() + kPayloadOffset);
  const std::uint16_t crc =
      checksum::Crc16(frame, 1, static_cast<std::int16_t>(n + kPayloadOffset));
  frame[kPayloadOffset + payload.size()] = static_cast<std::uint8_t>(crc & 0xFFU);
  frame[kPayloadOffset + payload.size() + 1] = static_cast<std::uint8_t>(crc >> 8);
  return frame;
}

}  // namespace orvane::link
