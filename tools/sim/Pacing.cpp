// SPDX-License-Identifier: Apache-2.0
#include "Pacing.h"

#include <algorithm>

namespace orvane::sim {

namespace {

constexpr std::int64_t kBitsPerByte = 10;

}  // namespace

PaceClock::duration ByteTime(int baud) {
  using std::chrono::nanoseconds;
  const auto perByte = nanoseconds(std::chrono::seconds(kBitsPerByte)) / std::max(baud, 1);
  return std::chrono::duration_cast<PaceClock::duration>(perByte);
}

PaceClock::time_point PacedInput::Take(PaceClock::time_point now, PaceClock::duration byteTime) {
  free_ = std::max(free_, now) + byteTime;
  return free_;
}

void PacedOutput::Enqueue(std::span<const std::uint8_t> bytes, PaceClock::time_point now) {
  // An idle line starts the first byte now; a busy one after the bytes already waiting.
  if (queue_.empty()) start_ = std::max(start_, now);
  queue_.insert(queue_.end(), bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> PacedOutput::Release(PaceClock::time_point now,
                                               PaceClock::duration byteTime) {
  if (queue_.empty() || now < start_ + byteTime) return {};
  const auto done = static_cast<std::size_t>((now - start_) / byteTime);
  const std::size_t count = std::min(done, queue_.size());
  start_ += byteTime * static_cast<std::int64_t>(count);
  std::vector<std::uint8_t> bytes(queue_.begin(), queue_.begin() + count);
  queue_.erase(queue_.begin(), queue_.begin() + count);
  return bytes;
}

}  // namespace orvane::sim
