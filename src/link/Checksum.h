// SPDX-License-Identifier: Apache-2.0
#pragma once
// The frame checksum: CRC-16/XMODEM (polynomial 0x1021, most significant bit first, initial 0,
// no reflection, no final XOR), table-driven, plus what the frame receiver needs to check many
// overlapping stretches of the same bytes cheaply.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace orvane::checksum {

// Entry i is the CRC-16 of the single byte i. Computed at compile time, so no frame can ever be
// checked against an empty table.
constexpr std::array<std::uint16_t, 256> MakeCrcTable() {
  std::array<std::uint16_t, 256> table{};
  for (unsigned i = 0; i < table.size(); ++i) {
    unsigned reg = i << 8;
    for (int bit = 0; bit < 8; ++bit) {
      reg = (reg & 0x8000U) ? ((reg << 1) ^ 0x1021U) : (reg << 1);
      reg &= 0xFFFFU;
    }
    table[i] = static_cast<std::uint16_t>(reg);
  }
  return table;
}

inline constexpr std::array<std::uint16_t, 256> CrcTable = MakeCrcTable();

// The register after one more byte.
constexpr std::uint16_t Crc16Update(std::uint16_t reg, std::uint8_t byte) {
  return static_cast<std::uint16_t>((reg << 8) ^ CrcTable[(byte ^ (reg >> 8)) & 0xFFU]);
}

// CRC of buffer[first, stop). The stop index is exclusive; a range that does not lie inside the
// buffer yields 0 rather than reading outside.
std::uint16_t Crc16(std::span<const std::uint8_t> buffer, std::int16_t first, std::int16_t stop);

// The register after `count` zero bytes, in a handful of table look-ups whatever the count.
// Because the CRC is linear with no initial value or final XOR, running registers R(i) over one
// stream (R(i) covering the bytes before position i) give the CRC of any stretch [a, b) as
//   R(b) XOR Crc16AfterZeros(R(a), b - a).
std::uint16_t Crc16AfterZeros(std::uint16_t reg, std::size_t count);

}  // namespace orvane::checksum
