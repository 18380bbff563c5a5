// SPDX-License-Identifier: Apache-2.0
// How far the line got, in words: what a command-line run says of the whole run, and what the
// window says of the line since the port was last opened.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/DiagnosedPort.h"
#include "platform/fakes/FakeSerialPort.h"
#include "platform/fakes/VirtualClock.h"
#include "support/Frames.h"

namespace orvane::testing {
namespace {

using platform::DiagnosedPort;

struct Rig {
  explicit Rig(DiagnosedPort::Memory memory) : diagnosed(port, memory) {
    diagnosed.SetBytesHandler([this](std::span<const std::uint8_t> bytes) {
      passedOn.insert(passedOn.end(), bytes.begin(), bytes.end());
    });
    diagnosed.SetDiagnosisObserver([this] { seen.push_back(diagnosed.Diagnosis()); });
  }

  platform::fakes::VirtualClock clock;
  platform::fakes::FakeSerialPort port{clock};
  DiagnosedPort diagnosed;
  std::vector<std::uint8_t> passedOn;
  std::vector<std::string> seen;  // the diagnosis each time the observer was told
};

TEST(DiagnosedPort, ClimbsFromNothingToAHeartbeatAndPassesEveryByteOn) {
  Rig rig(DiagnosedPort::Memory::WholeRun);
  rig.port.SetLineSettings(platform::AtBaud(19200));
  ASSERT_TRUE(rig.diagnosed.Open());
  EXPECT_EQ(rig.diagnosed.Diagnosis(), "no bytes received");

  const std::vector<std::uint8_t> noise{0x00, 0x55, 0x13};
  const auto answer = ReadResponseFrame("uart1", "baudrate", "19200");
  const auto heartbeat = HeartbeatFrame();
  for (const auto& bytes : {noise, answer, answer, heartbeat, heartbeat}) rig.port.Inject(bytes);

  EXPECT_EQ(rig.diagnosed.Diagnosis(), "heartbeat at 19200");
  EXPECT_EQ(rig.diagnosed.frames(), 4u);
  EXPECT_EQ(rig.diagnosed.heartbeats(), 2u);
  // Told once a step, not once a frame.
  EXPECT_EQ(rig.seen, (std::vector<std::string>{"bytes received but no valid frame at any speed",
                                                "frames but no heartbeat", "heartbeat at 19200"}));
  EXPECT_EQ(rig.passedOn.size(), noise.size() + 2 * answer.size() + 2 * heartbeat.size());
}

// A run keeps what every speed brought; the window starts again at each opening, so a receiver
// heard before and silent since is not shown as heard.
TEST(DiagnosedPort, ARunKeepsEverySpeedsCountsAndTheWindowForgetsThemAtEachOpening) {
  for (const auto memory : {DiagnosedPort::Memory::WholeRun, DiagnosedPort::Memory::SinceOpened}) {
    Rig rig(memory);
    rig.port.SetLineSettings(platform::AtBaud(9600));
    ASSERT_TRUE(rig.diagnosed.Open());
    rig.port.Inject(HeartbeatFrame());
    ASSERT_EQ(rig.diagnosed.Diagnosis(), "heartbeat at 9600");

    rig.diagnosed.Close();
    rig.diagnosed.SetLineSettings(platform::AtBaud(19200));
    ASSERT_TRUE(rig.diagnosed.Open());
    ASSERT_TRUE(rig.diagnosed.Open());  // already open: nothing starts again
    rig.port.Inject({0x00, 0x00});
    EXPECT_EQ(rig.diagnosed.Diagnosis(), memory == DiagnosedPort::Memory::WholeRun
                                             ? "heartbeat at 9600"
                                             : "bytes received but no valid frame at any speed");
    // Over a network link a heartbeat has no speed.
    rig.port.SetHasLineSpeed(false);
    rig.port.Inject(HeartbeatFrame());
    EXPECT_EQ(rig.diagnosed.Diagnosis(), "heartbeat over TCP");
    EXPECT_FALSE(rig.diagnosed.heartbeatSpeed());
  }
}

}  // namespace
}  // namespace orvane::testing
