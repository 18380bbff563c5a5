// SPDX-License-Identifier: Apache-2.0
#include "link/Checksum.h"

namespace orvane::checksum {

namespace {

// Level k moves a register over 2^k zero bytes. The move is linear, so it splits into the
// contributions of the register's high and low byte: one look-up each.
constexpr int kLevels = 9;  // 1 to 256 zero bytes; a frame's CRC stretch is at most 260

struct ZeroTables {
  std::array<std::array<std::uint16_t, 256>, kLevels> high{};
  std::array<std::array<std::uint16_t, 256>, kLevels> low{};

  constexpr std::uint16_t Apply(int level, std::uint16_t reg) const {
    const auto k = static_cast<std::size_t>(level);
    return static_cast<std::uint16_t>(high[k][reg >> 8] ^ low[k][reg & 0xFFU]);
  }
};

constexpr ZeroTables MakeZeroTables() {
  ZeroTables t;
  for (unsigned v = 0; v < 256; ++v) {
    t.high[0][v] = Crc16Update(static_cast<std::uint16_t>(v << 8), 0);
    t.low[0][v] = Crc16Update(static_cast<std::uint16_t>(v), 0);
  }
  for (int level = 1; level < kLevels; ++level) {
    const auto k = static_cast<std::size_t>(level);
    for (unsigned v = 0; v < 256; ++v) {
      t.high[k][v] = t.Apply(level - 1, t.Apply(level - 1, static_cast<std::uint16_t>(v << 8)));
      t.low[k][v] = t.Apply(level - 1, t.Apply(level - 1, static_cast<std::uint16_t>(v)));
    }
  }
  return t;
}

constexpr ZeroTables kZeroTables = MakeZeroTables();

}  // namespace

std::uint16_t Crc16(std::span<const std::uint8_t> buffer, std::int16_t first, std::int16_t stop) {
  if (first < 0 || stop < first || static_cast<std::size_t>(stop) > buffer.size()) return 0;
  std::uint16_t reg = 0;
  const std::uint8_t* p = buffer.data() + first;
  const std::uint8_t* const end = buffer.data() + stop;
  for (; p != end; ++p) reg = Crc16Update(reg, *p);
  return reg;
}

std::uint16_t Crc16AfterZeros(std::uint16_t reg, std::size_t count) {
  constexpr std::size_t kLargest = std::size_t{1} << (kLevels - 1);
  for (; count > 2 * kLargest - 1; count -= kLargest) reg = kZeroTables.Apply(kLevels - 1, reg);
  for (int level = 0; count != 0; ++level, count >>= 1) {
    if (count & 1U) reg = kZeroTables.Apply(level, reg);
  }
  return reg;
}

}  // namespace orvane::checksum
