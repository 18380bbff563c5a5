#include "link/GpsLibrary.h"

#include <gtest/gtest.h>

#include <string_view>

namespace orvane::GPS_Library {
namespace {

TEST(Crc16, CheckValueOverTheNineDigitsIs0x31C3) {
  constexpr std::string_view digits = "123456789";
  const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(digits.data()),
                                            digits.size());
  EXPECT_EQ(Crc16(bytes, 0, 9), 0x31C3);
}

}  // namespace
}  // namespace orvane::GPS_Library
