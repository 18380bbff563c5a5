// SPDX-License-Identifier: Apache-2.0
// The message link: checksum, frame receiver, settings messages and frames in words.

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string_view>

#include "link/Checksum.h"
#include "link/FrameReceiver.h"
#include "link/FrameText.h"
#include "link/SettingsMessages.h"
#include "support/Frames.h"

namespace orvane::link {
namespace {

using namespace checksum;
using namespace std::literals;
using namespace orvane::testing;
using Bytes = std::vector<std::uint8_t>;
using Frame = std::span<const std::uint8_t>;
const auto Hex = [](std::string_view bytes) { return Bytes(bytes.begin(), bytes.end()); };

TEST(Checksum, Crc16IsXmodemOverFirstUpToButNotIncludingStop) {
  const Bytes bytes = Hex("x123456789y");
  EXPECT_EQ(Crc16(bytes, 1, 10), 0x31C3);
  EXPECT_EQ(Crc16(bytes, 4, 4), 0);
  EXPECT_EQ(Crc16(bytes, 0, 12), 0);  // a range past the buffer's end is never read
  EXPECT_EQ(Crc16(bytes, 5, 4), 0);
}

// Running registers over one stream give the CRC of any stretch of it, however long.
TEST(Checksum, AnyStretchsCrcFollowsFromRunningRegisters) {
  std::mt19937 rng(0xC4C);
  Bytes stream(3000);
  for (auto& b : stream) b = static_cast<std::uint8_t>(rng());
  std::vector<std::uint16_t> running{0};
  for (const std::uint8_t b : stream) running.push_back(Crc16Update(running.back(), b));
  const std::pair<std::size_t, std::size_t> stretches[] = {
      {0, 0}, {1, 2}, {7, 15}, {100, 360}, {5, 516}, {10, 2999}, {0, 3000}};
  for (const auto& [a, b] : stretches) {
    const Bytes part(stream.begin() + static_cast<std::ptrdiff_t>(a),
                     stream.begin() + static_cast<std::ptrdiff_t>(b));
    const auto whole = Crc16(part, 0, static_cast<std::int16_t>(part.size()));
    EXPECT_EQ(running[b] ^ Crc16AfterZeros(running[a], b - a), whole) << a << ".." << b;
  }
}

TEST(Frame, BuildFrameTakesAtMost255PayloadBytes) {
  const Bytes full = BuildFrame(0x1234, 0x42, Bytes(255, 0x55));
  ASSERT_EQ(full.size(), 263U);
  EXPECT_EQ(full[5], 255);
  EXPECT_EQ(Crc16(full, 1, 261), full[261] | full[262] << 8);
  EXPECT_TRUE(BuildFrame(0x1234, 0x42, Bytes(256, 0)).empty());
}

using Seen = std::vector<std::pair<char, Bytes>>;  // 'H' heartbeat, 'R' read, 'W' write response

struct Rig final : MessageHandlers {
  void OnHeartbeat() override { seen.push_back({'H', {}}); }
  void OnSettingReadResponse(Frame f) override { seen.push_back({'R', Bytes(f.begin(), f.end())}); }
  void OnSettingWriteResponse(Frame f) override {
    seen.push_back({'W', Bytes(f.begin(), f.end())});
  }
  FrameReceiver rx{*this};
  Seen seen;
};

// Bytes received, or (without bytes) a framing error reported by the line or a restart.
struct Event {
  enum Kind : std::uint8_t { Bytes_, FramingError, Restart };
  Event(Bytes b, Kind kind = Bytes_)  // NOLINT: implicit, for bytes received
      : kind(kind), bytes(std::move(b)) {}
  Kind kind;
  Bytes bytes;
};
const Event kFramingError{{}, Event::FramingError}, kRestart{{}, Event::Restart};

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// A false preamble whose length byte is `n`, padded with zeros to `size` bytes.
Bytes Stray(std::uint8_t n, std::size_t size) {
  Bytes stray{0x55, 0x01, 0x02, 0x03, 0x04, n};
  stray.resize(size, 0x00);
  return stray;
}

struct ReceiverCase {
  const char* name;
  std::vector<Event> events;
  Seen expected;
  std::int16_t framingErrors = 0;
};

void Run(Rig& rig, const std::vector<Event>& events, bool byteByByte) {
  for (const auto& e : events) {
    if (e.kind == Event::FramingError) {
      rig.rx.CountFramingError();
    } else if (e.kind == Event::Restart) {
      rig.rx.Restart();
    } else if (byteByByte) {
      for (const std::uint8_t& b : e.bytes) rig.rx.Receive({&b, 1});
    } else {
      rig.rx.Receive(e.bytes);
    }
  }
}

void Check(const ReceiverCase& c) {
  for (const bool byteByByte : {false, true}) {
    Rig rig;
    Run(rig, c.events, byteByByte);
    EXPECT_EQ(rig.seen, c.expected) << c.name << (byteByByte ? ", byte by byte" : "");
    EXPECT_EQ(rig.rx.framingErrors(), c.framingErrors) << c.name;
  }
}

TEST(FrameReceiver, DispatchesExactlyTheVerifiedFramesOfHandledTypes) {
  const Bytes hb = HeartbeatFrame();
  const Bytes read = ReadResponseFrame("solution", "elevation_mask", "10");
  const Bytes write = WriteResponseFrame(0, "uart1", "baudrate", "19200");
  const Bytes preambles = ReadResponseFrame("U", "UUU", "\x55x\x55");  // 'U' is 0x55
  const Bytes half(read.begin(), read.begin() + 9), rest(read.begin() + 9, read.end());
  auto spoiled = [](Bytes f, std::size_t i) { return f.at(i) ^= 0x5A, f; };
  const Bytes spoilt = Concat({spoiled(read, 10), spoiled(read, read.size() - 2), spoiled(hb, 11)});
  const Bytes others = Concat({BuildFrame(0x01A5, 0, {}), BuildFrame(0xA500, 0, {}),
                               BuildFrame(0x00FF, 0, {}), BuildFrame(0xFF00, 0, {})});
  std::vector<Event> eleven(11, kFramingError), elevenThenHb = eleven;
  elevenThenHb.emplace_back(hb);
  const ReceiverCase cases[] = {
      {"garbage before a frame", {Concat({{0x00, 0xFF, 0x54, 0x56, 0xA5, 0x12}, hb})}, {{'H', {}}}},
      {"frames in one event", {Concat({write, hb, read})}, {{'W', write}, {'H', {}}, {'R', read}}},
      {"0x55 inside a payload is data", {preambles}, {{'R', preambles}}},
      {"spoilt payload or CRC, then a good frame", {Concat({spoilt, write})}, {{'W', write}}},
      {"types not handled, 0x01A5 and 0xA500 too", {others}, {}},
      {"unknown type, N = 0, clears errors", {kFramingError, BuildFrame(0x1234, 0, {})}, {}},
      {"framing errors saturate at ten", eleven, {}, 10},
      {"a heartbeat clears them", elevenThenHb, {{'H', {}}}},
      {"spoilt frames keep them", {kFramingError, spoilt}, {}, 1},
      {"resumes past errors and empty reads", {half, kFramingError, Bytes{}, rest}, {{'R', read}}},
  };
  for (const auto& c : cases) Check(c);
}

// A 0x55 in noise starts a false frame; when its check fails, the frames that began among its
// bytes are still found, in order.
TEST(FrameReceiver, RecoversFramesBegunInsideAFalseOneUnlessARestartDropsThem) {
  const Bytes hb = HeartbeatFrame();
  const Bytes write = WriteResponseFrame(0, "uart1", "baudrate", "19200");
  const Bytes read = ReadResponseFrame("ethernet", "ip_address", "192.168.0.222");
  const Bytes quiet(300, 0x00);  // enough to complete any false frame
  const Bytes flood(1000, 0x55);
  // A stray preamble with length byte 200 takes the 5 + 200 + 2 = 207 bytes after it.
  const ReceiverCase cases[] = {
      {"inside the header", {Concat({{0x55, 0x01}, hb, quiet})}, {{'H', {}}}},
      {"right after the false preamble", {Concat({{0x55}, write, quiet})}, {{'W', write}}},
      {"inside the body", {Concat({Stray(200, 100), hb, quiet})}, {{'H', {}}}},
      {"at the false frame's last byte", {Concat({Stray(200, 207), hb})}, {{'H', {}}}},
      {"after the false frame", {Concat({Stray(200, 208), hb})}, {{'H', {}}}},
      {"two inside", {Concat({Stray(200, 30), write, hb, quiet})}, {{'W', write}, {'H', {}}}},
      {"straddling the false frame's end", {Concat({Stray(200, 203), read})}, {{'R', read}}},
      {"inside a false frame inside a false frame",
       {Concat({Stray(200, 20), Stray(250, 80), hb, quiet})},
       {{'H', {}}}},
      {"inside the inner false frame only, beyond the outer",
       {Concat({Stray(200, 20), Stray(250, 220), hb, quiet})},
       {{'H', {}}}},
      {"inside, then one after",
       {Concat({Stray(200, 50), write, quiet, read})},
       {{'W', write}, {'R', read}}},
      {"after a long flood of 0x55", {Concat({flood, hb, quiet})}, {{'H', {}}}},
      {"between two floods",
       {Concat({flood, write, flood, read, quiet})},
       {{'W', write}, {'R', read}}},
      {"split over events",
       {Stray(200, 60), Bytes(hb.begin(), hb.begin() + 3), Bytes(hb.begin() + 3, hb.end()), quiet},
       {{'H', {}}}},
      // A restart drops everything held: a false frame and what began inside it, a half frame.
      {"a restart inside the body", {Concat({Stray(200, 100), hb}), kRestart, quiet}, {}},
      {"a restart inside a frame",
       {Concat({quiet, Bytes(hb.begin(), hb.begin() + 4)}), kRestart,
        Concat({Bytes(hb.begin() + 4, hb.end()), hb})},
       {{'H', {}}}},
  };
  for (const auto& c : cases) Check(c);
}

TEST(FrameReceiver, AFalseFrameHoldsBackTheGenuineOneUntilItsOwnBytesAreIn) {
  const Bytes hb = HeartbeatFrame();
  Rig rig;
  rig.rx.Receive(Concat({Stray(200, 100), hb}));
  EXPECT_TRUE(rig.seen.empty());
  EXPECT_EQ(rig.rx.state(), FrameReceiver::State::Body);
  rig.rx.Receive(Bytes(208 - 100 - hb.size() - 1, 0x00));
  EXPECT_TRUE(rig.seen.empty());
  rig.rx.Receive(Bytes{0x00});  // the false frame's last byte
  EXPECT_EQ(rig.seen, (Seen{{'H', {}}}));
  EXPECT_EQ(rig.rx.state(), FrameReceiver::State::Hunting);
}

TEST(FrameReceiver, ObserverSeesEveryVerifiedFrameJustBeforeItsHandler) {
  const Bytes hb = HeartbeatFrame();
  const Bytes other = BuildFrame(0x020A, 0x1234, Bytes(34, 0x55));
  const Bytes read = ReadResponseFrame("a", "b", "c");
  Rig rig;
  std::vector<Bytes> observed;
  std::vector<std::size_t> handledBefore;
  rig.rx.SetFrameObserver([&](Frame f) {
    observed.emplace_back(f.begin(), f.end());
    handledBefore.push_back(rig.seen.size());
  });
  rig.rx.Receive(Concat({Stray(200, 10), hb, other, Bytes(300, 0), read}));
  EXPECT_EQ(observed, (std::vector<Bytes>{hb, other, read}));
  EXPECT_EQ(handledBefore, (std::vector<std::size_t>{0, 1, 1}));
  EXPECT_EQ(rig.seen.size(), 2U);
}

struct RecordingSink final : FrameSink {
  void Output(Frame f) override { frames.emplace_back(f.begin(), f.end()); }
  std::vector<Bytes> frames;
};

// Each response dispatched, decoded: {status, section, name, value}; a read response has status 0.
using Decoded = std::array<std::string, 4>;
struct Decoder final : MessageHandlers {
  void OnHeartbeat() override {}
  void OnSettingReadResponse(Frame f) override { Add({0, ParseReadResponse(f)}); }
  void OnSettingWriteResponse(Frame f) override { Add(ParseWriteResponse(f)); }
  void Add(const WriteResponse& r) {
    decoded.push_back(
        {std::to_string(r.status), r.setting.section, r.setting.name, r.setting.value});
  }
  std::vector<Decoded> decoded;
};

TEST(SettingsMessages, EncodersBuildTheWorkedFramesByteForByte) {
  RecordingSink sink;
  SendSettingsSave(sink);
  ASSERT_EQ(SendSettingWrite(sink, "uart1", "baudrate", "19200"), SendResult::Sent);
  ASSERT_EQ(SendSettingReadRequest(sink, "ethernet", "ip_address"), SendResult::Sent);
  const std::vector<Bytes> expected = {Hex("\x55\xA1\x00\x42\x00\x00\xF8\xF3"sv),
                                       Hex("\x55\xA0\x00\x42\x00\x15uart1\0baudrate\0"
                                           "19200\0\x9E\x11"sv),
                                       Hex("\x55\xA4\x00\x42\x00\x14"
                                           "ethernet\0ip_address\0\xB7\x51"sv)};
  EXPECT_EQ(sink.frames, expected);
}

// Three texts make a settings write, two a read request. A frame goes out whole or not at all.
TEST(SettingsMessages, EncodersSendTheWholeFrameOrNothingAndSayWhy) {
  struct Case {
    std::vector<std::string> texts;  // UTF-8
    SendResult expected;
    std::size_t payload = 0;
  };
  const Case cases[] = {
      {{"", "", ""}, SendResult::Sent, 3},
      {{"a", "b", std::string(250, 'v')}, SendResult::Sent, 255},
      {{"a", "b", std::string(251, 'v')}, SendResult::TooLong},
      {{"", "", FromLatin1(Bytes(252, 0xE9))}, SendResult::Sent, 255},  // 252 x U+00E9
      {{"", "", FromLatin1(Bytes(253, 0xE9))}, SendResult::TooLong},
      {{std::string(200, 's'), std::string(53, 'n')}, SendResult::Sent, 255},
      {{std::string(200, 's'), std::string(54, 'n')}, SendResult::TooLong},
      {{"s", "\u4E2D"}, SendResult::Unencodable},
      {{"\u0100", "b", "c"}, SendResult::Unencodable},
      {{"a", std::string("b\0c", 3), "v"}, SendResult::Unencodable},
      {{"a", "b", "caf\xC3"}, SendResult::Unencodable},   // lone lead byte
      {{"a", "b", "\xC1\xA9"}, SendResult::Unencodable},  // overlong
      {{"a", "b", "\xC3\x28"}, SendResult::Unencodable},  // bad continuation
  };
  for (const auto& c : cases) {
    const auto& t = c.texts;
    RecordingSink sink;
    const SendResult result = t.size() == 3 ? SendSettingWrite(sink, t[0], t[1], t[2])
                                            : SendSettingReadRequest(sink, t[0], t[1]);
    EXPECT_EQ(result, c.expected) << t[0] << "|" << t[1];
    EXPECT_EQ(sink.frames.size(), result == SendResult::Sent ? 1U : 0U);
    for (const Bytes& f : sink.frames) {
      EXPECT_TRUE(f.size() == 8 + c.payload && f[5] == c.payload) << f.size() << " bytes";
    }
  }
}

// A short, malformed response must not pick up bytes that an earlier, longer frame left behind
// in the receive buffer: the decoders stop at the end of the payload.
TEST(SettingsMessages, DecodersReadOnlyThePayloadOfTheFrameAtHand) {
  Decoder handlers;
  FrameReceiver rx(handlers);
  const std::string longText(80, 'L');
  const std::vector<Bytes> frames = {
      WriteResponseFrame(0, longText, longText, longText),
      BuildFrame(0x00A5, 0x1234, Hex("x\0y"sv)),                  // no NUL at the end
      BuildFrame(0x00A5, 0x1234, Hex("\xE9\0n\x80\0\xFFx\0"sv)),  // Latin-1 bytes
      BuildFrame(0x00A5, 0x1234, {}),
      BuildFrame(0x00AF, 0x1234, Hex("\0"sv)),  // status only
      BuildFrame(0x00AF, 0x1234, {}),           // not even a status
  };
  for (const auto& frame : frames) rx.Receive(frame);
  const std::string& l = longText;
  const std::vector<Decoded> expected = {
      {"0", l, l, l},    {"0", "x", "y", ""}, {"0", "\u00E9", "n\u0080", "\u00FFx"},
      {"0", "", "", ""}, {"0", "", "", ""},   {"255", "", "", ""}};
  EXPECT_EQ(handlers.decoded, expected);
}

// Settings encoded as the program sends them, echoed as the receiver answers them among line
// noise, delivered through the receiver in random chunks (frames split anywhere), and decoded
// equal.
TEST(SettingsMessages, RandomSettingsSurviveEncodingReceptionAndDecoding) {
  std::mt19937 rng(0x0A7E);
  auto text = [&rng](std::size_t length) {  // random characters U+0001..U+00FF
    Bytes latin1(length);
    for (auto& b : latin1) b = static_cast<std::uint8_t>(1 + rng() % 255);
    return FromLatin1(latin1);
  };
  Bytes stream;
  std::vector<Decoded> expected;
  for (int i = 0; i < 400; ++i) {
    const std::size_t total = rng() % 5 == 0 ? 252 : rng() % 253;  // 252 fills a write
    std::size_t a = rng() % (total + 1), b = rng() % (total + 1);
    if (a > b) std::swap(a, b);
    const Setting s{text(a), text(b - a), text(total - b)};
    RecordingSink sink;
    ASSERT_EQ(SendSettingWrite(sink, s.section, s.name, s.value), SendResult::Sent);
    Bytes payload(sink.frames.at(0).begin() + kPayloadOffset, sink.frames[0].end() - 2);
    const bool asWrite = payload.size() < kMaxPayload && rng() % 2 == 0;
    const auto status = static_cast<std::uint8_t>(asWrite ? rng() % 3 : 0);
    if (asWrite) payload.insert(payload.begin(), status);
    for (std::size_t k = rng() % 12; k > 0; --k) stream.push_back(rng() % 0x55);  // no preamble
    stream = Concat({stream, BuildFrame(asWrite ? 0x00AF : 0x00A5, 0x1234, payload)});
    expected.push_back({std::to_string(status), s.section, s.name, s.value});
  }
  Decoder handlers;
  FrameReceiver rx(handlers);
  for (std::size_t at = 0, chunk = 0; at < stream.size(); at += chunk) {
    chunk = std::min<std::size_t>(rng() % 300, stream.size() - at);
    rx.Receive(std::span(stream).subspan(at, chunk));
  }
  EXPECT_EQ(handlers.decoded, expected);
}

TEST(DescribeFrame, SaysWhatEachFrameCarries) {
  RecordingSink sent;
  (void)SendSettingWrite(sent, "uart1", "baudrate", "19200");
  (void)SendSettingReadRequest(sent, "ethernet", "ip_address");
  SendSettingsSave(sent);
  const Bytes texts{'a', 0, 'b', 0};
  const Bytes controls{'a', 0x01, 'b', 0x7F, 0x85, 0xE9, 0, 'n', 0, 'v', 0};
  const std::pair<Bytes, std::string> cases[] = {
      {sent.frames.at(0), "settings write uart1.baudrate = 19200"},
      {sent.frames.at(1), "settings read request ethernet.ip_address"},
      {sent.frames.at(2), "settings save"},
      {ReadResponseFrame("ethernet", "ip_address", "192.168.0.222"),
       "settings read response ethernet.ip_address = 192.168.0.222"},
      {WriteResponseFrame(0, "uart1", "baudrate", "19200"),
       "settings write response uart1.baudrate = 19200 (status 0)"},
      {WriteResponseFrame(2, "sbp", "obs_msg_max_size", ""),
       "settings write response sbp.obs_msg_max_size =  (status 2)"},
      {HeartbeatFrame(), "heartbeat"},
      {BuildFrame(0x1234, 0x0042, Bytes{1, 2, 3, 4}),
       "frame type 0x1234 from 0x0042, 4 payload bytes"},
      {BuildFrame(0x020A, 0xBEEF, Bytes{0}), "frame type 0x020A from 0xBEEF, 1 payload byte"},
      // Texts cut short by the payload's end, control characters and Latin-1 letters.
      {BuildFrame(0x00A5, 0x1234, texts), "settings read response a.b = "},
      {BuildFrame(0x00A5, 0x1234, {}), "settings read response . = "},
      {BuildFrame(0x00A5, 0x1234, controls),
       "settings read response a\\x01b\\x7F\\x85\u00E9.n = v"},
      {BuildFrame(0x00AF, 0x1234, {}), "settings write response without a status"},
      {Bytes{0x55, 0xFF, 0xFF}, "incomplete frame of 3 bytes"},
  };
  for (const auto& [frame, expected] : cases) EXPECT_EQ(DescribeFrame(frame), expected);
}

}  // namespace
}  // namespace orvane::link
