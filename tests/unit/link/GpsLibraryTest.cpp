#include "link/GpsLibrary.h"

#include <gtest/gtest.h>

#include <random>
#include <string_view>
#include <vector>

#include "link/Frame.h"

namespace orvane::GPS_Library {
namespace {

std::span<const std::uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// CRC-16/XMODEM one bit at a time, straight from the polynomial.
std::uint16_t BitwiseCrc(std::span<const std::uint8_t> bytes) {
  std::uint16_t reg = 0;
  for (std::uint8_t b : bytes) {
    reg ^= static_cast<std::uint16_t>(b << 8);
    for (int bit = 0; bit < 8; ++bit) {
      reg = (reg & 0x8000U) ? static_cast<std::uint16_t>((reg << 1) ^ 0x1021U)
                            : static_cast<std::uint16_t>(reg << 1);
    }
  }
  return reg;
}

TEST(Crc16, CheckValueOverTheNineDigitsIs0x31C3) {
  EXPECT_EQ(Crc16(AsBytes("123456789"), 0, 9), 0x31C3);
}

TEST(Crc16, CoversFirstIndexUpToButNotIncludingStopIndex) {
  EXPECT_EQ(Crc16(AsBytes("x123456789y"), 1, 10), 0x31C3);
}

TEST(Crc16, EqualFirstAndStopIndicesGiveZero) {
  const auto bytes = AsBytes("123456789");
  for (std::int16_t i = 0; i <= 9; ++i) EXPECT_EQ(Crc16(bytes, i, i), 0) << "at index " << i;
}

TEST(Crc16, RangeOutsideTheBufferGivesZeroInsteadOfReadingPastIt) {
  const auto bytes = AsBytes("123456789");
  EXPECT_EQ(Crc16(bytes, 0, 10), 0);
  EXPECT_EQ(Crc16(bytes, 5, 4), 0);
  EXPECT_EQ(Crc16(bytes, -1, 3), 0);
}

TEST(Crc16, MatchesTheBitwiseComputationOverRandomRanges) {
  std::mt19937 rng(20240611);
  std::vector<std::uint8_t> buffer(300);
  for (int round = 0; round < 200; ++round) {
    for (auto& b : buffer) b = static_cast<std::uint8_t>(rng());
    const auto first = static_cast<std::int16_t>(rng() % 300);
    const auto stop = static_cast<std::int16_t>(first + rng() % (301 - first));
    EXPECT_EQ(Crc16(buffer, first, stop),
              BitwiseCrc(std::span(buffer).subspan(first, stop - first)));
  }
}

TEST(CrcTable, HoldsTheTellingEntries) {
  const std::pair<int, std::uint16_t> entries[] = {
      {0, 0x0000}, {1, 0x1021}, {2, 0x2042}, {128, 0x9188}, {255, 0x1EF0}};
  for (const auto& [index, value] : entries) {
    EXPECT_EQ(CrcTable[index], value) << "entry " << index;
    EXPECT_EQ(InitCrcTable()[index], value) << "entry " << index;
  }
}

struct ShiftCase {
  std::int16_t x;
  std::int16_t expected;
};

TEST(ShiftLeft8, MovesTheLowByteUpAndDropsTheHighByte) {
  const ShiftCase cases[] = {{0x0000, 0},      {0x0001, 0x0100}, {0x007F, 0x7F00},
                             {0x0080, -32768}, {0x00FF, -256},   {0x01FF, -256},
                             {-1, -256},       {-32768, 0},      {0x7F01, 0x0100}};
  for (const auto& c : cases) EXPECT_EQ(ShiftLeft8(c.x), c.expected) << "x = " << c.x;
}

TEST(ShiftRight8, TakesTheHighByteOfTheBitPatternNeverNegative) {
  const ShiftCase cases[] = {{0x0000, 0},   {0x00FF, 0}, {0x0100, 1}, {0x7FFF, 127},
                             {-32768, 128}, {-256, 255}, {-1, 255}};
  for (const auto& c : cases) EXPECT_EQ(ShiftRight8(c.x), c.expected) << "x = " << c.x;
}

TEST(MinOf, ComparesAsSigned16Bit) {
  struct Case {
    std::int16_t a, b, expected;
  };
  const Case cases[] = {
      {11, 10, 10}, {-5, 3, -5}, {7, 7, 7}, {-32768, 32767, -32768}, {10, 11, 10}};
  for (const auto& c : cases) EXPECT_EQ(MinOf(c.a, c.b), c.expected) << c.a << ", " << c.b;
}

TEST(BuildFrame, SettingsSaveIsTheWorkedFrame) {
  const std::vector<std::uint8_t> expected{0x55, 0xA1, 0x00, 0x42, 0x00, 0x00, 0xF8, 0xF3};
  EXPECT_EQ(link::BuildFrame(link::MsgType::SettingsSave, {}), expected);
}

TEST(BuildFrame, FullPayloadGivesA263ByteFrameWhoseCrcCovers260Bytes) {
  std::vector<std::uint8_t> payload(255);
  for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<std::uint8_t>(i * 7);
  const auto frame = link::BuildFrame(0x00A5, 0x1234, payload);
  ASSERT_EQ(frame.size(), 263U);
  EXPECT_EQ(frame[5], 255);
  const std::uint16_t crc = BitwiseCrc(std::span(frame).subspan(1, 260));
  EXPECT_EQ(frame[261], crc & 0xFF);
  EXPECT_EQ(frame[262], crc >> 8);
}

TEST(BuildFrame, RefusesAPayloadLongerThan255Bytes) {
  const std::vector<std::uint8_t> payload(256, 'a');
  EXPECT_TRUE(link::BuildFrame(0x00A5, 0x1234, payload).empty());
}

}  // namespace
}  // namespace orvane::GPS_Library
