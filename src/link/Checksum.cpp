#include "link/Checksum.h"

namespace orvane::checksum {

std::uint16_t Crc16(std::span<const std::uint8_t> buffer, std::int16_t first, std::int16_t stop) {
  if (first < 0 || stop < first || static_cast<std::size_t>(stop) > buffer.size()) return 0;
  // The register holds the 16-bit pattern; unsigned arithmetic gives the same bits as the
  // signed ShiftLeft8/ShiftRight8 formulation and lets the compiler keep it in one register.
  std::uint16_t reg = 0;
  const std::uint8_t* p = buffer.data() + first;
  const std::uint8_t* const end = buffer.data() + stop;
  for (; p != end; ++p) {
    reg = static_cast<std::uint16_t>((reg << 8) ^ CrcTable[(*p ^ (reg >> 8)) & 0xFFU]);
  }
  return reg;
}

}  // namespace orvane::checksum
