// SPDX-License-Identifier: Apache-2.0
// The simulated receiver in-process on the virtual clock, heard through the program's own frame
// receiver: its change of speed. (What the program hears at other speeds, with and without
// framing errors, is what the baud-rate search tests stand on.)

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
    port.SetLineErrorHandler([this](platform::LineError) { receiver.CountFramingError(); });
  }
  void OnHeartbeat() override { ++heartbeats; }
  void OnSettingReadResponse(std::span<const std::uint8_t>) override {}
  void OnSettingWriteResponse(std::span<const std::uint8_t> frame) override {
    writeResponses.push_back(Decode({frame.begin(), frame.end()}).texts);
  }

  link::FrameReceiver receiver{*this};
  std::size_t bytesHeard = 0;
  int heartbeats = 0;
  std::vector<std::vector<std::string>> writeResponses;
};

std::vector<std::uint8_t> SettingWrite(const char* section, const char* name, const char* value) {
  return link::BuildFrame(0x00A0, 0x0042, Texts({section, name, value}));
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
