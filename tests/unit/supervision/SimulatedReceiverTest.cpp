// SPDX-License-Identifier: Apache-2.0
// The simulated receiver in-process on the virtual clock, heard through the program's own frame
// receiver: what arrives at the receiver's speed and at others, and its change of speed.

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "link/FrameReceiver.h"
#include "support/Frames.h"
#include "support/SimulatedReceiver.h"

namespace orvane::testing {
namespace {

// The program's side of the line: the frame receiver fed by the port, counting what verifies.
struct Listener final : link::MessageHandlers {
  explicit Listener(platform::fakes::FakeSerialPort& port) {
    port.SetBytesHandler([this](std::span<const std::uint8_t> bytes) {
      bytesHeard += bytes.size();
      receiver.Receive(bytes);
    });
    port.SetLineErrorHandler([this](platform::LineError) {
      ++lineErrors;
      receiver.CountFramingError();
    });
  }
  void OnHeartbeat() override { ++heartbeats; }
  void OnSettingReadResponse(std::span<const std::uint8_t>) override {}
  void OnSettingWriteResponse(std::span<const std::uint8_t> frame) override {
    writeResponses.push_back(Decode({frame.begin(), frame.end()}).texts);
  }

  link::FrameReceiver receiver{*this};
  std::size_t bytesHeard = 0;
  int lineErrors = 0;
  int heartbeats = 0;
  std::vector<std::vector<std::string>> writeResponses;
};

std::vector<std::uint8_t> SettingWrite(const char* section, const char* name, const char* value) {
  return link::BuildFrame(0x00A0, 0x0042, Texts({section, name, value}));
}

struct LineCase {
  const char* name;
  std::int32_t receiverBaud;
  std::int32_t portBaud;
  bool lineErrors;  // the port can report them
  bool heard;       // frames verify both ways
};

TEST(SimulatedReceiver, FramesPassOnlyAtItsSpeedAndElseArriveBrokenWithFramingErrors) {
  const LineCase cases[] = {{"Same", 19200, 19200, true, true},
                            {"SlowerReceiver", 9600, 115200, true, false},
                            {"SlowerReceiver_NoLineErrors", 9600, 115200, false, false},
                            {"FasterReceiver", 115200, 1200, true, false},
                            {"NearSpeed", 38400, 57600, true, false}};
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.name);
    platform::fakes::VirtualClock clock;
    platform::fakes::FakeSerialPort port(clock);
    port.SetCanReportLineErrors(c.lineErrors);
    port.SetLineSettings(platform::AtBaud(c.portBaud));
    Listener listener(port);
    ASSERT_TRUE(port.Open());
    SimulatedReceiver receiver(clock, port, c.receiverBaud);
    clock.Advance(std::chrono::milliseconds{3200});  // beats at 0.5, 1.5, 2.5 s
    port.Output(SettingWrite("uart1", "mode", "SBP"));
    clock.Advance(std::chrono::milliseconds{100});

    EXPECT_EQ(listener.heartbeats, c.heard ? 3 : 0) << receiver.log();
    EXPECT_EQ(listener.writeResponses.size(), c.heard ? 1U : 0U) << receiver.log();
    EXPECT_GT(listener.bytesHeard, 0U) << "the line is not silent at a wrong speed";
    // One framing error for each broken frame, on a port that can tell.
    EXPECT_EQ(listener.lineErrors, !c.heard && c.lineErrors ? 3 : 0);
  }
}

TEST(SimulatedReceiver, AnswersTheSpeedChangeAtTheOldSpeedThenMovesAndIsSilentOnAClosedPort) {
  platform::fakes::VirtualClock clock;
  platform::fakes::FakeSerialPort port(clock);
  port.SetLineSettings(platform::AtBaud(9600));
  Listener listener(port);
  SimulatedReceiver receiver(clock, port, 9600);
  clock.Advance(std::chrono::milliseconds{2000});
  EXPECT_EQ(listener.bytesHeard, 0U) << "nobody holds a closed port's line";

  ASSERT_TRUE(port.Open());
  port.Output(SettingWrite("uart1", "baudrate", "19200"));
  clock.Advance(std::chrono::milliseconds{100});
  ASSERT_EQ(listener.writeResponses.size(), 1U) << receiver.log();
  EXPECT_EQ(listener.writeResponses[0].back(), "19200");  // accepted, at 9600
  EXPECT_EQ(receiver.baud(), 19200);

  port.SetLineSettings(platform::kLine19200);
  const int before = listener.heartbeats;
  clock.Advance(std::chrono::milliseconds{3000});
  EXPECT_EQ(listener.heartbeats, before + 3);
  receiver.SetHeartbeating(false);
  clock.Advance(std::chrono::milliseconds{3000});
  EXPECT_EQ(listener.heartbeats, before + 3);
}

}  // namespace
}  // namespace orvane::testing
