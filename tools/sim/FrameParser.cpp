// SPDX-License-Identifier: Apache-2.0
#include "FrameParser.h"

#include "link/Checksum.h"
#include "link/Frame.h"

namespace orvane::sim {

std::span<const std::uint8_t> Frame::payload() const {
  if (bytes.size() < link::kFrameOverhead) return {};
  return std::span<const std::uint8_t>(bytes).subspan(link::kPayloadOffset,
                                                      bytes.size() - link::kFrameOverhead);
}

void FrameParser::Reset() {
  buffer_.clear();
  remaining_ = 0;
  inFrame_ = false;
}

void FrameParser::Feed(std::span<const std::uint8_t> bytes) {
  for (std::uint8_t byte : bytes) {
    if (!inFrame_) {
      if (byte != link::kPreamble) continue;
      buffer_.assign(1, byte);
      remaining_ = link::kPayloadOffset - 1;  // type, sender, length
      inFrame_ = true;
      continue;
    }
    buffer_.push_back(byte);
    if (--remaining_ > 0) continue;
    if (buffer_.size() == link::kPayloadOffset) {
      remaining_ = buffer_[link::kLengthOffset] + 2u;  // payload and CRC
    } else {
      Complete();
    }
  }
}

void FrameParser::Complete() {
  inFrame_ = false;
  const std::size_t n = buffer_[link::kLengthOffset];
  const std::uint16_t crc =
      checksum::Crc16(buffer_, 1, static_cast<std::int16_t>(n + link::kPayloadOffset));
  const std::uint16_t carried = static_cast<std::uint16_t>(
      buffer_[link::kPayloadOffset + n] | (buffer_[link::kPayloadOffset + n + 1] << 8));
  if (crc != carried) {
    ++badFrames_;
    return;
  }
  Frame frame;
  frame.type = static_cast<std::uint16_t>(buffer_[1] | (buffer_[2] << 8));
  frame.sender = static_cast<std::uint16_t>(buffer_[3] | (buffer_[4] << 8));
  frame.bytes = buffer_;
  onFrame_(frame);
}

}  // namespace orvane::sim
