// SPDX-License-Identifier: Apache-2.0
#pragma once
// A serial line's pace: each byte takes ten bit times (start bit, eight data bits, stop bit) at
// the port's speed, in both directions. The receiver hands a frame to its UART whole, but the far
// end sees its bytes one byte time apart; and a request sent by the tool has only arrived once
// its last byte has.

#include <chrono>
#include <cstdint>
#include <deque>
#include <span>
#include <vector>

namespace orvane::sim {

using PaceClock = std::chrono::steady_clock;

// The time one byte takes on a line at baud bits a second.
PaceClock::duration ByteTime(int baud);

// Bytes coming in at the line rate.
class PacedInput {
 public:
  // When the next byte, handed over by the terminal at now, has come in whole: a byte cannot
  // start before the one before it has ended.
  PaceClock::time_point Take(PaceClock::time_point now, PaceClock::duration byteTime);

 private:
  PaceClock::time_point free_{};
};

// Bytes going out at the line rate: queued whole, released one byte time apart.
class PacedOutput {
 public:
  void Enqueue(std::span<const std::uint8_t> bytes, PaceClock::time_point now);
  // The bytes whose last bit has left by now, in order.
  std::vector<std::uint8_t> Release(PaceClock::time_point now, PaceClock::duration byteTime);
  // When the next byte will have left; only while something waits.
  PaceClock::time_point NextRelease(PaceClock::duration byteTime) const {
    return start_ + byteTime;
  }
  bool empty() const { return queue_.empty(); }
  void Clear() { queue_.clear(); }

 private:
  std::deque<std::uint8_t> queue_;
  PaceClock::time_point start_{};  // when the first waiting byte starts on the line
};

}  // namespace orvane::sim
