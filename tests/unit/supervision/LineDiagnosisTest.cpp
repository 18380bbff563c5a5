// SPDX-License-Identifier: Apache-2.0
// How far the line got, in words: what a command-line run says of the whole run, and what the
// window says of the line since the port was last opened.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/LineDiagnosis.h"
#include "platform/fakes/FakeSerialPort.h"
#include "platform/fakes/VirtualClock.h"
#include "session/LinkCore.h"
#include "support/Frames.h"

namespace orvane::testing {
namespace {

using platform::LineDiagnosis;

struct Rig {
  explicit Rig(LineDiagnosis::Memory memory) : diagnosis(port, memory) {
    core.AddObserver(diagnosis);
    core.SetListeners({.heartbeat = [this] { ++heartbeatsDispatched; }});
    diagnosis.SetDiagnosisObserver([this] { seen.push_back(diagnosis.Diagnosis()); });
  }

  platform::fakes::VirtualClock clock;
  platform::fakes::FakeSerialPort port{clock};
  LineDiagnosis diagnosis;
  session::LinkCore core{port, clock.TimerFactory()};
  platform::LinePort& line = core.port();
  int heartbeatsDispatched = 0;
  std::vector<std::string> seen;  // the diagnosis each time the observer was told
};

TEST(LineDiagnosis, ClimbsFromNothingToAHeartbeatOnTheCoresOneFrameStream) {
  Rig rig(LineDiagnosis::Memory::WholeRun);
  rig.port.SetLineSettings(platform::AtBaud(19200));
  ASSERT_TRUE(rig.line.Open());
  EXPECT_EQ(rig.diagnosis.Diagnosis(), "no bytes received");

  const std::vector<std::uint8_t> noise{0x00, 0x55, 0x13};
  const auto answer = ReadResponseFrame("uart1", "baudrate", "19200");
  const auto heartbeat = HeartbeatFrame();
  for (const auto& bytes : {noise, answer, answer, heartbeat, heartbeat}) rig.port.Inject(bytes);

  EXPECT_EQ(rig.diagnosis.Diagnosis(), "heartbeat at 19200");
  EXPECT_EQ(rig.diagnosis.frames(), 4u);
  EXPECT_EQ(rig.diagnosis.heartbeats(), 2u);
  // Told once a step, not once a frame.
  EXPECT_EQ(rig.seen, (std::vector<std::string>{"bytes received but no valid frame at any speed",
                                                "frames but no heartbeat", "heartbeat at 19200"}));
  EXPECT_EQ(rig.heartbeatsDispatched, 2);  // the frames were framed once, for both
}

// A run keeps what every speed brought; the window starts again at each opening, so a receiver
// heard before and silent since is not shown as heard.
TEST(LineDiagnosis, ARunKeepsEverySpeedsCountsAndTheWindowForgetsThemAtEachOpening) {
  for (const auto memory : {LineDiagnosis::Memory::WholeRun, LineDiagnosis::Memory::SinceOpened}) {
    Rig rig(memory);
    rig.port.SetLineSettings(platform::AtBaud(9600));
    ASSERT_TRUE(rig.line.Open());
    rig.port.Inject(HeartbeatFrame());
    ASSERT_EQ(rig.diagnosis.Diagnosis(), "heartbeat at 9600");

    rig.line.Close();
    rig.line.SetLineSettings(platform::AtBaud(19200));
    ASSERT_TRUE(rig.line.Open());
    ASSERT_TRUE(rig.line.Open());  // already open: nothing starts again
    rig.port.Inject({0x00, 0x00});
    EXPECT_EQ(rig.diagnosis.Diagnosis(), memory == LineDiagnosis::Memory::WholeRun
                                             ? "heartbeat at 9600"
                                             : "bytes received but no valid frame at any speed");
    // Over a network link a heartbeat has no speed.
    rig.port.SetHasLineSpeed(false);
    rig.port.Inject(HeartbeatFrame());
    EXPECT_EQ(rig.diagnosis.Diagnosis(), "heartbeat over TCP");
    EXPECT_FALSE(rig.diagnosis.heartbeatSpeed());
  }
}

}  // namespace
}  // namespace orvane::testing
