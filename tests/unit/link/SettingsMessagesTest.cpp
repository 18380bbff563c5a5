#include "link/SettingsMessages.h"

#include <gtest/gtest.h>

#include <string>

#include "LinkTestSupport.h"
#include "support/Frames.h"

namespace orvane::link::test {
namespace {

using orvane::testing::ReadResponseFrame;
using orvane::testing::WriteResponseFrame;

Bytes Hex(std::initializer_list<int> bytes) {
  return Bytes(bytes.begin(), bytes.end());
}

// ---- Encoders: the worked frames ----------------------------------------------------------------

TEST(SettingsEncoders, SettingsWriteIsTheWorkedFrame) {
  RecordingSink sink;
  ASSERT_EQ(SendSettingWrite(sink, "uart1", "baudrate", "19200"), SendResult::Sent);
  const Bytes expected = Concat({Hex({0x55, 0xA0, 0x00, 0x42, 0x00, 0x15}),
                                 BytesOf(std::string_view("uart1\0baudrate\0"
                                                          "19200\0",
                                                          21)),
                                 Hex({0x9E, 0x11})});
  ASSERT_EQ(expected.size(), 29U);
  EXPECT_EQ(sink.frames, std::vector<Bytes>{expected});
}

TEST(SettingsEncoders, ReadRequestIsTheWorkedFrame) {
  RecordingSink sink;
  ASSERT_EQ(SendSettingReadRequest(sink, "ethernet", "ip_address"), SendResult::Sent);
  const Bytes expected = Concat({Hex({0x55, 0xA4, 0x00, 0x42, 0x00, 0x14}),
                                 Hex({0x65, 0x74, 0x68, 0x65, 0x72, 0x6E, 0x65, 0x74, 0x00, 0x69,
                                      0x70, 0x5F, 0x61, 0x64, 0x64, 0x72, 0x65, 0x73, 0x73, 0x00}),
                                 Hex({0xB7, 0x51})});
  EXPECT_EQ(sink.frames, std::vector<Bytes>{expected});
}

TEST(SettingsEncoders, SettingsSaveIsAlwaysTheSameEightBytes) {
  RecordingSink sink;
  SendSettingsSave(sink);
  SendSettingsSave(sink);
  const Bytes expected = Hex({0x55, 0xA1, 0x00, 0x42, 0x00, 0x00, 0xF8, 0xF3});
  EXPECT_EQ(sink.frames, (std::vector{expected, expected}));
}

TEST(SettingsEncoders, EmptyTextsGiveAnElevenByteWriteOfThreeNuls) {
  RecordingSink sink;
  ASSERT_EQ(SendSettingWrite(sink, "", "", ""), SendResult::Sent);
  ASSERT_EQ(sink.frames.size(), 1U);
  const Bytes& frame = sink.frames[0];
  ASSERT_EQ(frame.size(), 11U);
  EXPECT_EQ(frame[5], 3);
  EXPECT_EQ(Bytes(frame.begin() + 6, frame.begin() + 9), Hex({0, 0, 0}));
}

TEST(PutSettingString, StoresTheBytesAndANulAndReturnsTheIndexAfterIt) {
  Bytes frame(16, 0xEE);
  EXPECT_EQ(PutSettingString(frame, 6, "uart1"), 12);
  EXPECT_EQ(frame, Concat({Bytes(6, 0xEE), BytesOf("uart1"), Hex({0}), Bytes(4, 0xEE)}));
}

// ---- Encoders: what is refused, and the limits --------------------------------------------------

struct WriteCase {
  std::string name;
  std::string section, setting, value;  // UTF-8
  SendResult expected;
  friend void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }
};

class SettingWriteLimits : public ::testing::TestWithParam<WriteCase> {};

TEST_P(SettingWriteLimits, SendsTheWholeFrameOrNothing) {
  const auto& c = GetParam();
  RecordingSink sink;
  EXPECT_EQ(SendSettingWrite(sink, c.section, c.setting, c.value), c.expected);
  if (c.expected != SendResult::Sent) {
    EXPECT_TRUE(sink.frames.empty());
    return;
  }
  ASSERT_EQ(sink.frames.size(), 1U);
  EXPECT_EQ(sink.frames[0].size(), 8U + sink.frames[0][5]);
}

std::string Repeat(std::string_view unit, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) out += unit;
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingWriteLimits,
    ::testing::Values(
        WriteCase{"PayloadOf255Sent", "a", "b", std::string(250, 'v'), SendResult::Sent},
        WriteCase{"PayloadOf256Refused", "a", "b", std::string(251, 'v'), SendResult::TooLong},
        WriteCase{"LongSectionRefused", std::string(300, 's'), "", "", SendResult::TooLong},
        // The limit counts characters on the wire, not UTF-8 bytes: 252 x U+00E9 fits.
        WriteCase{"Latin1LimitCountsCharacters", "", "", Repeat("\u00E9", 252), SendResult::Sent},
        WriteCase{"Latin1OverLimitRefused", "", "", Repeat("\u00E9", 253), SendResult::TooLong},
        WriteCase{"CharacterAboveU00FFRefused", "ethernet", "ip_address", "1\u20AC",
                  SendResult::Unencodable},
        WriteCase{"FirstCharacterAboveLatin1Refused", "\u0100", "b", "c", SendResult::Unencodable},
        WriteCase{"NulInsideATextRefused", "a", std::string("b\0c", 3), "v",
                  SendResult::Unencodable},
        WriteCase{"LoneLeadByteRefused", "a", "b", "caf\xC3", SendResult::Unencodable},
        WriteCase{"BareLatin1ByteIsNotUtf8", "a", "b", "caf\xE9", SendResult::Unencodable},
        WriteCase{"OverlongEncodingRefused", "a", "b", "\xC1\xA9", SendResult::Unencodable},
        WriteCase{"BadContinuationRefused", "a", "b", "\xC3\x28", SendResult::Unencodable}),
    [](const auto& info) { return info.param.name; });

TEST(SettingsEncoders, ReadRequestLimitIs253Characters) {
  RecordingSink sink;
  EXPECT_EQ(SendSettingReadRequest(sink, std::string(200, 's'), std::string(53, 'n')),
            SendResult::Sent);
  ASSERT_EQ(sink.frames.size(), 1U);
  EXPECT_EQ(sink.frames[0].size(), 263U);
  EXPECT_EQ(SendSettingReadRequest(sink, std::string(200, 's'), std::string(54, 'n')),
            SendResult::TooLong);
  EXPECT_EQ(SendSettingReadRequest(sink, "s", "\u4E2D"), SendResult::Unencodable);
  EXPECT_EQ(sink.frames.size(), 1U);
}

TEST(SettingsEncoders, Latin1CharactersGoOutAsSingleBytes) {
  RecordingSink sink;
  ASSERT_EQ(SendSettingWrite(sink, "\u0080", "caf\u00E9", "\u00FF"), SendResult::Sent);
  ASSERT_EQ(sink.frames.size(), 1U);
  const Bytes& frame = sink.frames[0];
  EXPECT_EQ(frame[5], 9);
  EXPECT_EQ(Bytes(frame.begin() + 6, frame.begin() + 15),
            Hex({0x80, 0, 'c', 'a', 'f', 0xE9, 0, 0xFF, 0}));
}

// ---- Decoders -----------------------------------------------------------------------------------

TEST(SettingsDecoders, ReadResponseYieldsItsThreeTexts) {
  const Setting s = ParseReadResponse(ReadResponseFrame("solution", "elevation_mask", "10"));
  EXPECT_EQ(s, (Setting{"solution", "elevation_mask", "10"}));
}

TEST(SettingsDecoders, WriteResponseYieldsStatusAndTexts) {
  const WriteResponse r = ParseWriteResponse(WriteResponseFrame(2, "uart1", "baudrate", "19200"));
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.setting, (Setting{"uart1", "baudrate", "19200"}));
  EXPECT_EQ(ParseWriteResponse(WriteResponseFrame(255, "a", "b", "c")).status, 255);
  EXPECT_EQ(ParseWriteResponse(WriteResponseFrame(0, "a", "b", "c")).status, 0);
}

TEST(SettingsDecoders, EmptyValueDecodesEmpty) {
  EXPECT_EQ(ParseReadResponse(ReadResponseFrame("ethernet", "gateway", "")),
            (Setting{"ethernet", "gateway", ""}));
}

TEST(SettingsDecoders, Latin1BytesBecomeTheirCharacters) {
  const Bytes payload = Hex({0xE9, 0, 'n', 0x80, 0, 0xFF, 'x', 0});
  EXPECT_EQ(ParseReadResponse(BuildFrame(0x00A5, 0x1234, payload)),
            (Setting{"\u00E9", "n\u0080", "\u00FFx"}));
}

// A short, malformed response must not pick up bytes that an earlier, longer frame left behind
// in the receive buffer.
TEST(SettingsDecoders, MalformedShortResponseAfterALongFrameYieldsNoOlderBytes) {
  struct Decoding final : MessageHandlers {
    void OnHeartbeat() override {}
    void OnSettingReadResponse(std::span<const std::uint8_t> f) override {
      reads.push_back(ParseReadResponse(f));
    }
    void OnSettingWriteResponse(std::span<const std::uint8_t> f) override {
      writes.push_back(ParseWriteResponse(f));
    }
    std::vector<Setting> reads;
    std::vector<WriteResponse> writes;
  } handlers;
  FrameReceiver rx(handlers);

  const std::string longText(80, 'L');
  Receive(rx, ReadResponseFrame(longText, longText, longText));
  Receive(rx, WriteResponseFrame(0, longText, longText, longText));
  Receive(rx, BuildFrame(0x00A5, 0x1234, BytesOf("ab")));  // no NUL at all
  Receive(rx, BuildFrame(0x00A5, 0x1234, Concat({BytesOf("x"), Hex({0}), BytesOf("y")})));
  Receive(rx, BuildFrame(0x00A5, 0x1234, {}));        // no payload
  Receive(rx, BuildFrame(0x00AF, 0x1234, Hex({0})));  // status only
  Receive(rx, BuildFrame(0x00AF, 0x1234, {}));        // not even a status

  ASSERT_EQ(handlers.reads.size(), 4U);
  EXPECT_EQ(handlers.reads[1], (Setting{"ab", "", ""}));
  EXPECT_EQ(handlers.reads[2], (Setting{"x", "y", ""}));
  EXPECT_EQ(handlers.reads[3], (Setting{"", "", ""}));
  ASSERT_EQ(handlers.writes.size(), 3U);
  EXPECT_EQ(handlers.writes[1].status, 0);
  EXPECT_EQ(handlers.writes[1].setting, (Setting{"", "", ""}));
  EXPECT_NE(handlers.writes[2].status, 0);  // too short to be an acceptance
  EXPECT_EQ(handlers.writes[2].setting, (Setting{"", "", ""}));
}

}  // namespace
}  // namespace orvane::link::test
