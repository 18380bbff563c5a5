// SPDX-License-Identifier: Apache-2.0
#pragma once
// The receiver's side of the framing: finds and verifies every frame the tool sends, whatever
// its message type. Same resynchronisation rule as the tool's own receiver: hunt a 0x55
// preamble, take five header bytes and N + 2 more, check the CRC, hunt again.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace orvane::sim {

struct Frame {
  std::uint16_t type = 0;
  std::uint16_t sender = 0;
  std::vector<std::uint8_t> bytes;  // preamble to CRC, as the link decoders take it

  std::span<const std::uint8_t> payload() const;
};

class FrameParser {
 public:
  using FrameHandler = std::function<void(const Frame&)>;

  explicit FrameParser(FrameHandler onFrame) : onFrame_(std::move(onFrame)) {}

  void Feed(std::span<const std::uint8_t> bytes);
  // Forget a partial frame (the line went away).
  void Reset();

  std::uint32_t badFrames() const { return badFrames_; }

 private:
  void Complete();

  FrameHandler onFrame_;
  std::vector<std::uint8_t> buffer_;
  std::size_t remaining_ = 0;
  bool inFrame_ = false;
  std::uint32_t badFrames_ = 0;
};

}  // namespace orvane::sim
