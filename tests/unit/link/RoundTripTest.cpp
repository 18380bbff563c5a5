// Settings encoded as the program sends them, answered as the receiver answers them, delivered
// through the frame receiver in random chunks among line noise, and decoded again.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "LinkTestSupport.h"
#include "link/SettingsMessages.h"

namespace orvane::link::test {
namespace {

// A UTF-8 text of `length` random characters U+0001..U+00FF.
std::string RandomLatin1Text(std::mt19937& rng, std::size_t length) {
  std::string text;
  for (std::size_t i = 0; i < length; ++i) {
    const auto c = static_cast<unsigned>(1 + rng() % 255);
    if (c < 0x80) {
      text.push_back(static_cast<char>(c));
    } else {
      text.push_back(static_cast<char>(0xC0 | (c >> 6)));
      text.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return text;
}

Setting RandomSetting(std::mt19937& rng) {
  constexpr std::size_t kLimit = 252;  // characters of section + name + value in one write
  const std::size_t total = rng() % 5 == 0 ? kLimit : rng() % (kLimit + 1);
  std::size_t a = rng() % (total + 1);
  std::size_t b = rng() % (total + 1);
  if (a > b) std::swap(a, b);
  return {RandomLatin1Text(rng, a), RandomLatin1Text(rng, b - a), RandomLatin1Text(rng, total - b)};
}

class DecodingHandlers final : public MessageHandlers {
 public:
  void OnHeartbeat() override {}
  void OnSettingReadResponse(std::span<const std::uint8_t> frame) override {
    decoded.push_back({0, ParseReadResponse(frame)});
  }
  void OnSettingWriteResponse(std::span<const std::uint8_t> frame) override {
    decoded.push_back(ParseWriteResponse(frame));
  }
  std::vector<WriteResponse> decoded;  // read responses carry status 0
};

TEST(RoundTrip, RandomLatin1SettingsSurviveEncodingReceptionAndDecoding) {
  std::mt19937 rng(0x0A7E);
  Bytes stream;
  std::vector<WriteResponse> expected;
  for (int i = 0; i < 400; ++i) {
    const Setting setting = RandomSetting(rng);
    RecordingSink sink;
    ASSERT_EQ(SendSettingWrite(sink, setting.section, setting.name, setting.value),
              SendResult::Sent);
    ASSERT_EQ(sink.frames.size(), 1U);
    const Bytes& sent = sink.frames[0];
    const Bytes texts(sent.begin() + kPayloadOffset, sent.end() - 2);

    // Line noise that holds no preamble, then the receiver's answer echoing the texts.
    const std::size_t noise = rng() % 12;
    for (std::size_t k = 0; k < noise; ++k) {
      auto b = static_cast<std::uint8_t>(rng());
      stream.push_back(b == kPreamble ? 0 : b);
    }
    Bytes answer;
    if (texts.size() < kMaxPayload && rng() % 2 == 0) {
      const auto status = static_cast<std::uint8_t>(rng() % 3);
      answer = BuildFrame(0x00AF, 0x1234, Concat({Bytes{status}, texts}));
      expected.push_back({status, setting});
    } else {
      answer = BuildFrame(0x00A5, 0x1234, texts);
      expected.push_back({0, setting});
    }
    ASSERT_FALSE(answer.empty());
    stream.insert(stream.end(), answer.begin(), answer.end());
  }

  DecodingHandlers handlers;
  FrameReceiver rx(handlers);
  for (std::size_t at = 0; at < stream.size();) {
    const std::size_t chunk = std::min<std::size_t>(rng() % 300, stream.size() - at);
    Receive(rx, std::span(stream).subspan(at, chunk));
    at += chunk;
  }

  ASSERT_EQ(handlers.decoded.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(handlers.decoded[i].status, expected[i].status) << "setting " << i;
    EXPECT_EQ(handlers.decoded[i].setting, expected[i].setting) << "setting " << i;
  }
}

TEST(RoundTrip, Latin1TextsConvertBothWaysWithoutLoss) {
  for (unsigned c = 1; c <= 0xFF; ++c) {
    const auto byte = static_cast<std::uint8_t>(c);
    const std::string utf8 = FromLatin1(std::span(&byte, 1));
    const auto back = ToLatin1(utf8);
    ASSERT_TRUE(back.has_value()) << "U+" << std::hex << c;
    EXPECT_EQ(*back, std::string(1, static_cast<char>(byte))) << "U+" << std::hex << c;
  }
  EXPECT_EQ(FromLatin1(Bytes{0xE9}), "\u00E9");
  EXPECT_EQ(ToLatin1("\u00E9"), std::string("\xE9"));
}

}  // namespace
}  // namespace orvane::link::test
