#include "link/FrameReceiver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "LinkTestSupport.h"
#include "support/Frames.h"

namespace orvane::link::test {
namespace {

using orvane::testing::HeartbeatFrame;
using orvane::testing::ReadResponseFrame;
using orvane::testing::Texts;
using orvane::testing::WriteResponseFrame;
using ::testing::_;
using ::testing::InSequence;
using ::testing::SizeIs;

constexpr std::uint16_t kSender = orvane::testing::kReceiverSender;

const Dispatch kHeartbeat{Dispatch::Heartbeat, {}};
Dispatch Read(const Bytes& frame) {
  return {Dispatch::ReadResponse, frame};
}
Dispatch Write(const Bytes& frame) {
  return {Dispatch::WriteResponse, frame};
}

Bytes Spoiled(Bytes frame, std::size_t index) {
  frame.at(index) ^= 0x5A;
  return frame;
}

Bytes SwappedCrc(Bytes frame) {
  std::swap(frame[frame.size() - 1], frame[frame.size() - 2]);
  return frame;
}

struct ReceiverRig {
  RecordingHandlers handlers;
  FrameReceiver rx{handlers};
};

// ---- Streams delivered in events: what comes out, in order -------------------------------------

struct StreamCase {
  std::string name;
  std::vector<Bytes> events;
  std::vector<Dispatch> expected;
  friend void PrintTo(const StreamCase& c, std::ostream* os) { *os << c.name; }
};

class ReceiverStream : public ::testing::TestWithParam<StreamCase> {};

TEST_P(ReceiverStream, DispatchesExactlyTheVerifiedFramesOfHandledTypes) {
  ReceiverRig rig;
  for (const auto& event : GetParam().events) Receive(rig.rx, event);
  EXPECT_EQ(rig.handlers.seen, GetParam().expected);
}

std::vector<StreamCase> StreamCases() {
  const Bytes hb = HeartbeatFrame();
  const Bytes read = ReadResponseFrame("solution", "elevation_mask", "10");
  const Bytes write = WriteResponseFrame(0, "uart1", "baudrate", "19200");
  const Bytes withPreambles = ReadResponseFrame("U", "UUU", "\x55x\x55");  // 'U' is 0x55
  const Bytes unknownEmpty = BuildFrame(0x1234, kSender, {});
  const auto payload = Texts({"a", "b", "c"});
  return {
      {"GarbageBeforeAFrame", {Concat({{0x00, 0xFF, 0x54, 0x56, 0xA5, 0x12}, hb})}, {kHeartbeat}},
      {"TwoFramesInOneEvent", {Concat({read, write})}, {Read(read), Write(write)}},
      {"ThreeTypesInOneEventInOrder",
       {Concat({write, hb, read})},
       {Write(write), kHeartbeat, Read(read)}},
      {"PreambleBytesInsideAPayloadAreData", {withPreambles}, {Read(withPreambles)}},
      {"SpoiledPayloadThenGoodFrame", {Concat({Spoiled(read, 10), hb})}, {kHeartbeat}},
      {"SpoiledCrcLowThenGoodFrame",
       {Concat({Spoiled(read, read.size() - 2), write})},
       {Write(write)}},
      {"SpoiledCrcHighThenGoodFrame", {Concat({Spoiled(hb, hb.size() - 1), read})}, {Read(read)}},
      {"SpoiledTypeThenGoodFrame", {Concat({Spoiled(write, 1), hb})}, {kHeartbeat}},
      {"ExchangedCrcBytesFail", {SwappedCrc(read)}, {}},
      {"EmptyPayloadOfUnknownTypeCallsNothing", {Concat({unknownEmpty, hb})}, {kHeartbeat}},
      {"Type0x01A5IsIgnored", {BuildFrame(0x01A5, kSender, payload)}, {}},
      {"Type0xA500IsIgnored", {BuildFrame(0xA500, kSender, payload)}, {}},
      {"Type0xAF01IsIgnored", {BuildFrame(0xAF01, kSender, payload)}, {}},
      {"HalfHeartbeatTypes0x00FFAnd0xFF00AreIgnored",
       {Concat({BuildFrame(0x00FF, kSender, {}), BuildFrame(0xFF00, kSender, {})})},
       {}},
      {"SettingsTypesWeSendAreIgnored",
       {Concat({BuildFrame(0x00A0, kSender, payload), BuildFrame(0x00A4, kSender, payload)})},
       {}},
      {"SenderIdIsNotExamined",
       {BuildFrame(0x00A5, 0x0042, payload)},
       {Read(BuildFrame(0x00A5, 0x0042, payload))}},
      {"FrameSpreadOverEmptyEvents",
       {{}, Bytes(hb.begin(), hb.begin() + 3), {}, Bytes(hb.begin() + 3, hb.end()), {}},
       {kHeartbeat}},
  };
}

INSTANTIATE_TEST_SUITE_P(Cases, ReceiverStream, ::testing::ValuesIn(StreamCases()),
                         [](const auto& info) { return info.param.name; });

// ---- Splitting -------------------------------------------------------------------------------

TEST(FrameReceiver, OneFrameSplitInTwoAtEveryPositionIsDispatchedOnceAfterItsLastByte) {
  const Bytes frame = WriteResponseFrame(3, "ethernet", "ip_address", "192.168.0.222");
  for (std::size_t cut = 0; cut <= frame.size(); ++cut) {
    ReceiverRig rig;
    Receive(rig.rx, std::span(frame).first(cut));
    EXPECT_EQ(rig.handlers.seen.size(), cut == frame.size() ? 1U : 0U) << "cut at " << cut;
    Receive(rig.rx, std::span(frame).subspan(cut));
    EXPECT_EQ(rig.handlers.seen, std::vector{Write(frame)}) << "cut at " << cut;
  }
}

TEST(FrameReceiver, OneFrameSplitInThreeAtEveryPairOfPositionsIsDispatchedOnce) {
  const Bytes frame = ReadResponseFrame("uart1", "mode", "SBP");
  for (std::size_t a = 0; a <= frame.size(); ++a) {
    for (std::size_t b = a; b <= frame.size(); ++b) {
      ReceiverRig rig;
      Receive(rig.rx, std::span(frame).first(a));
      Receive(rig.rx, std::span(frame).subspan(a, b - a));
      Receive(rig.rx, std::span(frame).subspan(b));
      ASSERT_EQ(rig.handlers.seen, std::vector{Read(frame)}) << "cuts at " << a << ", " << b;
    }
  }
}

TEST(FrameReceiver, ByteByByteDeliveryOfTwoFramesDispatchesBoth) {
  const Bytes read = ReadResponseFrame("solution", "elevation_mask", "10");
  const Bytes stream = Concat({read, HeartbeatFrame()});
  ReceiverRig rig;
  for (std::uint8_t b : stream) Receive(rig.rx, std::span(&b, 1));
  EXPECT_EQ(rig.handlers.seen, (std::vector{Read(read), kHeartbeat}));
}

// ---- Resynchronisation after a false preamble ---------------------------------------------------

// A stray 0x55 whose fifth following byte is 200 takes 5 + 200 + 2 = 207 bytes after it.
Bytes StrayPreambleThenHeartbeatAt(std::size_t offset) {
  Bytes stream{0x55, 0x01, 0x02, 0x03, 0x04, 200};
  stream.resize(offset, 0x00);
  stream = Concat({stream, HeartbeatFrame()});
  stream.resize(std::max<std::size_t>(stream.size(), 230), 0x00);
  return stream;
}

TEST(FrameReceiver, StrayPreambleWithLength200Swallows207Bytes) {
  ReceiverRig rig;
  Receive(rig.rx, StrayPreambleThenHeartbeatAt(207));  // preamble is the 207th byte after it
  EXPECT_TRUE(rig.handlers.seen.empty());

  ReceiverRig rig2;
  Receive(rig2.rx, StrayPreambleThenHeartbeatAt(208));  // first byte after the swallowed run
  EXPECT_EQ(rig2.handlers.seen, std::vector{kHeartbeat});
}

TEST(FrameReceiver, GenuineFrameInsideTheSwallowedRunIsLost) {
  ReceiverRig rig;
  const Bytes stream = StrayPreambleThenHeartbeatAt(6);
  Receive(rig.rx, std::span(stream).first(100));
  EXPECT_EQ(rig.rx.rxState(), 2);  // still inside the false frame
  Receive(rig.rx, std::span(stream).subspan(100));
  EXPECT_TRUE(rig.handlers.seen.empty());
  EXPECT_EQ(rig.rx.rxState(), 0);
}

// ---- Framing errors and other line events ------------------------------------------------------

TEST(FrameReceiver, FramingErrorsSaturateAtTenAndAHeartbeatClearsThem) {
  ReceiverRig rig;
  for (int i = 1; i <= 11; ++i) {
    LineEvent(rig.rx, comEventFrame);
    EXPECT_EQ(rig.rx.framingErrors(), std::min(i, 10));
  }
  Receive(rig.rx, HeartbeatFrame());
  EXPECT_EQ(rig.rx.framingErrors(), 0);
  EXPECT_EQ(rig.handlers.seen, std::vector{kHeartbeat});
}

TEST(FrameReceiver, EmptyFrameOfUnknownTypeClearsFramingErrors) {
  ReceiverRig rig;
  for (int i = 0; i < 3; ++i) LineEvent(rig.rx, comEventFrame);
  Receive(rig.rx, BuildFrame(0x1234, kSender, {}));
  EXPECT_EQ(rig.rx.framingErrors(), 0);
  EXPECT_TRUE(rig.handlers.seen.empty());
}

TEST(FrameReceiver, SpoiledFrameLeavesFramingErrorsAsTheyWere) {
  ReceiverRig rig;
  for (int i = 0; i < 4; ++i) LineEvent(rig.rx, comEventFrame);
  Receive(rig.rx, Spoiled(HeartbeatFrame(), 7));
  EXPECT_EQ(rig.rx.framingErrors(), 4);
}

// Every event but "bytes received" and "framing error" must leave the receiver exactly as it
// was, also halfway through a frame and also when the event happens to carry bytes.
TEST(FrameReceiver, OtherEventCodesAndEmptyReceiveEventsChangeNothing) {
  const std::int16_t codes[] = {1,    3,    4,    5,    6,    7,    1001, 1002,
                                1003, 1006, 1007, 1008, 1009, 1010, 1011};
  const Bytes frame = ReadResponseFrame("ethernet", "netmask", "255.255.255.0");
  const Bytes junk = Concat({HeartbeatFrame(), frame});
  for (std::size_t cut : {std::size_t{0}, std::size_t{3}, std::size_t{6}, std::size_t{20}}) {
    ReceiverRig rig;
    LineEvent(rig.rx, comEventFrame);
    LineEvent(rig.rx, comEventFrame);
    Receive(rig.rx, std::span(frame).first(cut));
    const RxSnapshot before = Snapshot(rig.rx);
    for (std::int16_t code : codes) {
      rig.rx.GPS_OnComm({code, junk});
      ASSERT_EQ(Snapshot(rig.rx), before) << "code " << code << ", cut " << cut;
    }
    Receive(rig.rx, {});
    ASSERT_EQ(Snapshot(rig.rx), before) << "empty receive event, cut " << cut;
    EXPECT_TRUE(rig.handlers.seen.empty());

    Receive(rig.rx, std::span(frame).subspan(cut));
    EXPECT_EQ(rig.handlers.seen, std::vector{Read(frame)}) << "cut " << cut;
  }
}

// ---- Handlers see the frame in the receive buffer while it is the current frame -----------------

class MockHandlers : public MessageHandlers {
 public:
  MOCK_METHOD(void, OnHeartbeat, (), (override));
  MOCK_METHOD(void, OnSettingReadResponse, (std::span<const std::uint8_t>), (override));
  MOCK_METHOD(void, OnSettingWriteResponse, (std::span<const std::uint8_t>), (override));
};

TEST(FrameReceiver, HandlersGetTheFrameStillInTheReceiveBufferBeforeTheNextByte) {
  ::testing::StrictMock<MockHandlers> handlers;
  FrameReceiver rx(handlers);
  const Bytes read = ReadResponseFrame("solution", "elevation_mask", "10");
  const Bytes write = WriteResponseFrame(0, "uart1", "mode", "SBP");
  auto inBuffer = [&rx](const Bytes& expected) {
    return [&rx, expected](std::span<const std::uint8_t> frame) {
      EXPECT_EQ(frame.data(), rx.rxBuffer().data());
      EXPECT_EQ(Bytes(frame.begin(), frame.end()), expected);
      EXPECT_EQ(frame.size(), 8U + frame[5]);
    };
  };
  {
    InSequence order;
    EXPECT_CALL(handlers, OnSettingReadResponse(SizeIs(read.size()))).WillOnce(inBuffer(read));
    EXPECT_CALL(handlers, OnHeartbeat());
    EXPECT_CALL(handlers, OnSettingWriteResponse(_)).WillOnce(inBuffer(write));
  }
  Receive(rx, Concat({read, HeartbeatFrame(), write}));
}

}  // namespace
}  // namespace orvane::link::test
