// SPDX-License-Identifier: Apache-2.0
// The command-line tool's speed search in virtual time, against the real simulated receiver at
// each speed: one quick pass where the receiver answers, a second look where it only beats, an
// end when nothing is there; and how long a heartbeat is listened for.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>

#include "platform/LineDiagnosis.h"
#include "session/LinkCore.h"
#include "session/SpeedFinder.h"
#include "support/Frames.h"
#include "support/SimulatedReceiver.h"

namespace orvane::testing {
namespace {

using namespace std::chrono_literals;
using session::SpeedFinder;

struct FinderRig {
  FinderRig() {
    SpeedFinder::Owner owner;
    owner.setSpeed = [this](std::int32_t baud) {
      core.port().SetLineSettings(platform::AtBaud(baud));
      speedSetAt = clock.Now();
    };
    owner.read = [this](const transfer::SettingKey& key, const transfer::TransferPolicy& policy,
                        std::function<void(bool)> answered) {
      ++reads;
      transfer = &core.StartTransfer(
          transfer::Direction::Read, policy, {{.key = key}}, {.finished = [this, answered] {
            const bool ok = transfer->result(0).outcome == transfer::Outcome::ValueRead;
            clock.Post(0ms, [answered, ok] { answered(ok); });
          }});
    };
    finder = std::make_unique<SpeedFinder>(
        heard, clock.TimerFactory(), owner,
        transfer::TransferPolicy{.inFlight = 4, .pacing = 5ms, .timeout = 500ms, .retries = 3});
    core.AddObserver(heard);
    EXPECT_TRUE(core.port().Open());
  }

  std::chrono::milliseconds Find() {
    const auto start = clock.Now();
    finder->Find([this](bool f) { found = f; });
    for (int i = 0; i < 600 && !found; ++i) clock.Advance(50ms);
    return clock.Now() - start;
  }

  platform::fakes::VirtualClock clock;
  platform::fakes::FakeSerialPort port{clock};
  platform::LineDiagnosis heard{port, platform::LineDiagnosis::Memory::WholeRun};
  session::LinkCore core{port, clock.TimerFactory()};
  std::unique_ptr<SpeedFinder> finder;
  transfer::SettingsTransfer* transfer = nullptr;
  std::optional<bool> found;
  int reads = 0;
  std::chrono::milliseconds speedSetAt{0};
};

class AtEachSpeed : public ::testing::TestWithParam<std::size_t> {};

// Asked once at each speed before its own, the receiver is found where it talks, the slowest
// within about a second and a quarter.
TEST_P(AtEachSpeed, TheQuickPassFindsTheReceiverWhereItTalks) {
  const std::size_t step = GetParam();
  const std::int32_t baud = SpeedFinder::kSpeeds[step];
  FinderRig rig;
  SimulatedReceiver receiver(rig.clock, rig.port, baud, 900ms);
  const auto took = rig.Find();
  ASSERT_EQ(rig.found, true) << receiver.log();
  EXPECT_EQ(rig.finder->speed(), baud);
  EXPECT_EQ(rig.reads, static_cast<int>(step) + 1);
  EXPECT_LT(took, 1300ms);
}

INSTANTIATE_TEST_SUITE_P(Speeds, AtEachSpeed, ::testing::Range<std::size_t>(0, 8),
                         [](const auto& info) {
                           return std::to_string(SpeedFinder::kSpeeds[info.param]);
                         });

// A line that brings nothing ends after one quick pass; one that keeps bringing bytes but never a
// frame is given a second pass and the long looks, and still ends not found.
TEST(SpeedFinder, ALineThatBringsNoFrameEndsNotFound) {
  for (const bool noisy : {false, true}) {
    SCOPED_TRACE(noisy ? "noise" : "nothing");
    FinderRig rig;
    std::function<void()> noise = [&] {
      rig.port.ReceiverSends(std::vector<std::uint8_t>{0x00, 0xF0, 0x00});
      rig.clock.Post(300ms, noise);
    };
    if (noisy) rig.clock.Post(100ms, noise);
    const auto took = rig.Find();
    EXPECT_EQ(rig.found, false);
    EXPECT_EQ(rig.heard.Diagnosis(),
              noisy ? "bytes received but no valid frame at any speed" : "no bytes received");
    if (noisy) continue;
    EXPECT_EQ(rig.reads, 8);
    EXPECT_LT(took, 1800ms);  // the last probe, at 1200 baud, waits longest
  }
}

// A receiver that never answers for the probed setting and beats between the quick probes is
// found by the second pass's heartbeat-long look at 19200.
TEST(SpeedFinder, AReceiverThatOnlyBeatsIsFoundByTheSecondLookAt19200) {
  FinderRig rig;
  std::function<void()> beat = [&] {
    if (rig.port.lineSettings().baud == 19200) {
      rig.port.ReceiverSends(HeartbeatFrame());
    } else {
      rig.port.ReceiverSends(
          std::vector<std::uint8_t>{0x00, 0xF0, 0x00});  // heard at another speed
    }
    rig.clock.Post(1000ms, beat);
  };
  rig.clock.Post(300ms, beat);
  rig.Find();
  EXPECT_EQ(rig.found, true);
  EXPECT_EQ(rig.finder->speed(), 19200);
  EXPECT_GT(rig.reads, 8);
}

// One heartbeat period at the speed found, the time the search spent there counted: a beating
// receiver is always heard, a silent one is given up on then and no later.
TEST(SpeedFinder, ListensForAHeartbeatOnePeriodAtTheSpeedFound) {
  for (const bool beating : {true, false}) {
    for (const auto phase : {100ms, 500ms, 990ms}) {
      FinderRig rig;
      SimulatedReceiver receiver(rig.clock, rig.port, 1200, phase);
      receiver.SetHeartbeating(beating);
      rig.Find();
      ASSERT_EQ(rig.finder->speed(), 1200);
      bool done = false;
      rig.finder->ListenForHeartbeat([&] { done = true; });
      for (int i = 0; i < 300 && !done; ++i) rig.clock.Advance(10ms);
      ASSERT_TRUE(done);
      // A period, a heartbeat's 12 bytes at 1200 baud and the slack.
      EXPECT_LE(rig.clock.Now() - rig.speedSetAt, 1000ms + 101ms + 100ms + 10ms);
      EXPECT_EQ(rig.heard.Diagnosis(), beating ? "heartbeat at 1200" : "frames but no heartbeat");
      if (!beating) {
        EXPECT_GE(rig.clock.Now() - rig.speedSetAt, 1000ms + 101ms + 100ms);
      }
    }
  }
}

}  // namespace
}  // namespace orvane::testing
