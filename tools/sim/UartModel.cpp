// SPDX-License-Identifier: Apache-2.0
#include "UartModel.h"

#include <algorithm>
#include <cmath>

namespace orvane::sim {

namespace {

constexpr int kBitsPerByte = 10;  // start, 8 data, stop

// The sent line, one entry per sender bit cell; high outside the stream.
class Line {
 public:
  explicit Line(std::span<const std::uint8_t> bytes) {
    bits_.reserve(bytes.size() * kBitsPerByte);
    for (std::uint8_t byte : bytes) {
      bits_.push_back(false);
      for (int i = 0; i < 8; ++i) bits_.push_back(((byte >> i) & 1) != 0);
      bits_.push_back(true);
    }
  }

  std::size_t cells() const { return bits_.size(); }
  bool At(double t) const {
    if (t < 0) return true;
    const auto cell = static_cast<std::size_t>(t);
    return cell >= bits_.size() || bits_[cell];
  }
  // The first falling edge (a low cell after a high one) at or after time t; -1 if none.
  double FallingEdgeFrom(double t) const {
    for (auto cell = static_cast<std::size_t>(std::ceil(std::max(t, 0.0))); cell < bits_.size();
         ++cell) {
      if (!bits_[cell] && (cell == 0 || bits_[cell - 1])) return static_cast<double>(cell);
    }
    return -1;
  }

 private:
  std::vector<bool> bits_;
};

}  // namespace

std::vector<std::uint8_t> HeardAt(std::span<const std::uint8_t> sent, int senderBaud,
                                  int listenerBaud) {
  std::vector<std::uint8_t> heard;
  if (senderBaud <= 0 || listenerBaud <= 0) return heard;
  const Line line(sent);
  // The listener's bit time, counted in the sender's bit cells.
  const double cell = static_cast<double>(senderBaud) / listenerBaud;
  double t = 0;
  for (;;) {
    const double start = line.FallingEdgeFrom(t);
    if (start < 0) break;
    std::uint8_t byte = 0;
    for (int i = 0; i < 8; ++i) {
      if (line.At(start + (i + 1.5) * cell)) byte = static_cast<std::uint8_t>(byte | (1 << i));
    }
    heard.push_back(byte);
    t = start + 9.5 * cell;  // the stop bit's sample; the next start needs a new falling edge
  }
  return heard;
}

}  // namespace orvane::sim
