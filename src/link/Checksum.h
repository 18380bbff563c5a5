#pragma once
// The frame checksum and the small 16-bit helpers that the frame receiver, the
// message builders and the watchdog share. Every counter in this program is a signed 16-bit
// integer; the shifts give the bit patterns of unsigned 16-bit shifts without ever overflowing.

#include <array>
#include <cstdint>
#include <span>

namespace orvane::checksum {

// Entry i is the CRC-16 of the single byte i for the polynomial 0x1021, most significant bit
// first. Computed once, at compile time, so no frame can ever be checked against an empty table.
constexpr std::array<std::uint16_t, 256> InitCrcTable() {
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

inline constexpr std::array<std::uint16_t, 256> CrcTable = InitCrcTable();

// The low byte of x moved to the high byte; bit 7 of x lands in the sign bit.
constexpr std::int16_t ShiftLeft8(std::int16_t x) {
  return static_cast<std::int16_t>(
      static_cast<std::uint16_t>((static_cast<unsigned>(x) & 0xFFU) << 8));
}

// The high byte of x's 16-bit pattern, sign bit included, as 0..255.
constexpr std::int16_t ShiftRight8(std::int16_t x) {
  return static_cast<std::int16_t>((static_cast<std::uint16_t>(x) >> 8) & 0xFFU);
}

constexpr std::int16_t MinOf(std::int16_t a, std::int16_t b) {
  return a <= b ? a : b;
}

// CRC-16/XMODEM (initial 0, no reflection, no final XOR) of buffer[first, stop). The stop index
// is exclusive; a range that does not lie inside the buffer yields 0 rather than reading outside.
std::uint16_t Crc16(std::span<const std::uint8_t> buffer, std::int16_t first, std::int16_t stop);

}  // namespace orvane::checksum
