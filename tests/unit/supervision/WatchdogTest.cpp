#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "support/FormRig.h"
#include "support/Frames.h"
#include "support/ReceiverModel.h"
#include "unit/supervision/SupervisionHelpers.h"

namespace orvane::testing {
namespace {

constexpr std::int32_t kRed = 255;
constexpr std::int32_t kGreen = 65280;
constexpr std::int32_t kYellow = 65535;

TEST(Watchdog, FirstTickOpensPortAndHeartbeatTurnsLineGreen) {
  FormRig rig;
  EXPECT_EQ(rig.controls.Caption(), "Orvane Not Found");
  EXPECT_FALSE(rig.port.IsOpen());  // start-up chooses port 1 but does not open it
  rig.OpenPort();
  ASSERT_TRUE(rig.port.IsOpen());
  EXPECT_EQ(rig.port.CommPort(), 1);
  EXPECT_EQ(rig.port.Settings(), "19200,N,8,1");
  rig.port.ReceiverSends(HeartbeatFrame());
  EXPECT_EQ(rig.controls.LampColour(), kGreen);
  EXPECT_EQ(rig.controls.Caption(), "Communications Good");
}

TEST(Watchdog, HeartbeatOnceASecondKeepsLineGreenAndStartsNoSearch) {
  FormRig rig;
  ReceiverModel receiver(rig.clock, rig.port, 19200);
  rig.Advance(120s);
  EXPECT_EQ(rig.controls.LampColour(), kGreen);
  EXPECT_EQ(rig.controls.captions(),
            (std::vector<std::string>{"Orvane Not Found", "Communications Good"}));
  EXPECT_LE(rig.form.watchdog().silenceTicks(), 1);
  EXPECT_FALSE(rig.form.search().IsRunning());
  EXPECT_EQ(rig.port.opens(), 1);
}

// The phase of the heartbeat against the watchdog's tick must not matter: the count is in ticks.
class AfterLastHeartbeat : public ::testing::TestWithParam<std::chrono::milliseconds> {
 protected:
  // Heartbeats until just after tick 5, then silence; returns at the heartbeat's instant.
  void StopHeartbeatsAfterTickFive() {
    rig.Advance(5000ms + GetParam());
    receiver.SetHeartbeating(false);
    ASSERT_EQ(rig.Timer1.ticks(), 5);
    ASSERT_EQ(rig.form.watchdog().heartbeatCountdown(), 10);
    ASSERT_EQ(rig.controls.LampColour(), kGreen);
  }

  FormRig rig;
  ReceiverModel receiver{rig.clock, rig.port, 19200, GetParam()};
};

TEST_P(AfterLastHeartbeat, TenthTickTurnsLineRedOnce) {
  StopHeartbeatsAfterTickFive();
  for (int tick = 1; tick <= 9; ++tick) {
    rig.Advance(1000ms);
    EXPECT_EQ(rig.controls.LampColour(), kGreen) << "tick " << tick;
    EXPECT_EQ(rig.form.watchdog().heartbeatCountdown(), 10 - tick);
  }
  rig.Advance(1000ms);
  EXPECT_EQ(rig.controls.LampColour(), kRed);
  EXPECT_EQ(rig.controls.Caption(), "Orvane Not Found");
  const auto captionsAtRed = rig.controls.captions().size();
  rig.Advance(4000ms);  // later ticks at 0 write nothing (and the search's first tick is later)
  EXPECT_EQ(rig.controls.captions().size(), captionsAtRed);
  EXPECT_EQ(Count(rig.controls.captions(), "Orvane Not Found"), 2);  // start-up and the tick
}

TEST_P(AfterLastHeartbeat, FifteenthTickStartsTheSearch) {
  StopHeartbeatsAfterTickFive();
  rig.Advance(14000ms);
  EXPECT_FALSE(rig.form.search().IsRunning());
  EXPECT_EQ(rig.form.watchdog().silenceTicks(), 14);
  rig.Advance(1000ms);
  EXPECT_TRUE(rig.form.search().IsRunning());
  EXPECT_EQ(rig.form.search().baudStep(), 0);
  EXPECT_EQ(rig.form.watchdog().silenceTicks(), 15);
}

INSTANTIATE_TEST_SUITE_P(HeartbeatPhase, AfterLastHeartbeat, ::testing::Values(1ms, 500ms, 999ms),
                         [](const auto& info) {
                           return std::to_string(info.param.count()) + "ms";
                         });

TEST(Watchdog, WithoutAnyHeartbeatSearchStartsFifteenTicksAfterTheOpeningTick) {
  FormRig rig;
  rig.OpenPort();  // tick 1
  rig.Advance(14000ms);
  EXPECT_FALSE(rig.form.search().IsRunning());
  rig.Advance(1000ms);  // tick 16
  EXPECT_TRUE(rig.form.search().IsRunning());
  // The countdown never ran, so no tick wrote the status line.
  EXPECT_EQ(rig.controls.captions(), std::vector<std::string>{"Orvane Not Found"});
}

TEST(Watchdog, SearchStartsOnceInARunWhateverLaterSilences) {
  FormRig rig;
  ReceiverModel receiver(rig.clock, rig.port, 19200);
  rig.Advance(3000ms);
  receiver.SetHeartbeating(false);
  rig.Advance(60s);  // search: silent line, found at 115200 on a line-error port, then held
  ASSERT_EQ(rig.form.search().baudStep(), 10);
  receiver.SetHeartbeating(true);
  rig.Advance(5000ms);
  EXPECT_EQ(rig.controls.Caption(), "Communications Good");
  receiver.SetHeartbeating(false);
  const int opens = rig.port.opens();
  rig.Advance(60s);
  EXPECT_EQ(rig.form.watchdog().silenceTicks(), 15);
  EXPECT_EQ(rig.form.search().baudStep(), 10);
  EXPECT_EQ(Count(rig.controls.captions(), "Testing at 115,200 baud"), 1);
  EXPECT_EQ(rig.port.opens(), opens);
}

struct UnavailableCase {
  std::int16_t port;
  const char* caption;
};

class PortNotAvailable : public ::testing::TestWithParam<UnavailableCase> {};

TEST_P(PortNotAvailable, EveryTickRewritesTheCaptionAndNoSearchStarts) {
  FormRig rig;
  rig.port.SetAvailablePorts({});
  rig.form.mnuComm_Click(GetParam().port);
  rig.Advance(40s);
  EXPECT_EQ(rig.controls.LampColour(), kRed);
  EXPECT_EQ(rig.controls.Caption(), GetParam().caption);
  EXPECT_EQ(Count(rig.controls.captions(), GetParam().caption), 40);
  EXPECT_EQ(rig.form.watchdog().silenceTicks(), 0);
  EXPECT_FALSE(rig.form.search().IsRunning());
}

INSTANTIATE_TEST_SUITE_P(Captions, PortNotAvailable,
                         ::testing::Values(UnavailableCase{1, "Com Port  1 not available"},
                                           UnavailableCase{3, "Com Port  3 not available"},
                                           UnavailableCase{8, "Com Port  8 not available"}),
                         [](const auto& info) { return "Port" + std::to_string(info.param.port); });

TEST(Watchdog, PortLostFreezesCountersAndReopeningWritesNothing) {
  FormRig rig;
  ReceiverModel receiver(rig.clock, rig.port, 19200);
  rig.Advance(3600ms);  // heartbeats at 1.5 s to 3.5 s, ticks up to 3 s
  receiver.SetHeartbeating(false);
  rig.Advance(4000ms);  // four silent ticks
  const auto countdown = rig.form.watchdog().heartbeatCountdown();
  const auto silence = rig.form.watchdog().silenceTicks();
  ASSERT_EQ(countdown, 6);
  ASSERT_EQ(silence, 4);

  rig.port.Unplug();
  rig.Advance(30s);
  EXPECT_EQ(rig.form.watchdog().heartbeatCountdown(), countdown);
  EXPECT_EQ(rig.form.watchdog().silenceTicks(), silence);
  EXPECT_EQ(Count(rig.controls.captions(), "Com Port  1 not available"), 30);
  EXPECT_EQ(Count(rig.controls.captions(), "Orvane Not Found"), 1);
  EXPECT_FALSE(rig.form.search().IsRunning());

  rig.port.Replug();
  const auto captions = rig.controls.captions().size();
  rig.Advance(1000ms);
  ASSERT_TRUE(rig.port.IsOpen());
  EXPECT_EQ(rig.controls.captions().size(), captions);
  EXPECT_EQ(rig.controls.LampColour(), kRed);
  EXPECT_EQ(rig.controls.Caption(), "Com Port  1 not available");
  rig.Advance(1000ms);  // counting resumes where it stopped
  EXPECT_EQ(rig.form.watchdog().heartbeatCountdown(), countdown - 1);
  EXPECT_EQ(rig.form.watchdog().silenceTicks(), silence + 1);
}

TEST(Watchdog, HeartbeatDuringProgressDisplayResetsCountersButLeavesStatusLine) {
  FormRig rig;
  rig.OpenPort();
  rig.Advance(5000ms);
  rig.form.cmdRead_Click();
  ASSERT_EQ(rig.controls.LampColour(), kYellow);
  const std::string progress = rig.controls.Caption();
  rig.port.ReceiverSends(HeartbeatFrame());
  EXPECT_EQ(rig.controls.LampColour(), kYellow);
  EXPECT_EQ(rig.controls.Caption(), progress);
  EXPECT_EQ(rig.form.watchdog().heartbeatCountdown(), 10);
  EXPECT_EQ(rig.form.watchdog().silenceTicks(), 0);
}

enum class Transfer { Read, Write };

class CountdownEndsDuring : public ::testing::TestWithParam<Transfer> {};

TEST_P(CountdownEndsDuring, TransferTurnsTheLineRed) {
  FormRig rig;
  rig.OpenPort();
  rig.port.ReceiverSends(HeartbeatFrame());
  rig.Advance(2000ms);
  GetParam() == Transfer::Read ? rig.form.cmdRead_Click() : rig.form.cmdWrite_Click();
  ASSERT_EQ(rig.controls.LampColour(), kYellow);
  rig.Advance(7000ms);
  EXPECT_EQ(rig.controls.LampColour(), kYellow);
  rig.Advance(1000ms);  // the tenth tick after the heartbeat
  EXPECT_EQ(rig.controls.LampColour(), kRed);
  EXPECT_EQ(rig.controls.Caption(), "Orvane Not Found");
}

INSTANTIATE_TEST_SUITE_P(Transfers, CountdownEndsDuring,
                         ::testing::Values(Transfer::Read, Transfer::Write), [](const auto& info) {
                           return info.param == Transfer::Read ? "Read" : "Write";
                         });

struct CommChoiceCase {
  const char* name;
  std::int16_t choice;
  bool duringSearch;  // the port then stands at the search's first speed
  const char* settings;
};

class CommChoice : public ::testing::TestWithParam<CommChoiceCase> {};

TEST_P(CommChoice, ClosesThePortAndNextTickReopensOnTheChosenNumberAtTheLastSettings) {
  FormRig rig;
  rig.port.SetAvailablePorts({1, 3});
  rig.OpenPort();
  if (GetParam().duringSearch) {
    AdvanceToTick(rig, rig.tmrComError, 1);
    ASSERT_EQ(rig.port.Settings(), GetParam().settings);
  }
  const int opens = rig.port.opens();
  const int closes = rig.port.closes();
  const auto captions = rig.controls.captions().size();
  const auto baudStep = rig.form.search().baudStep();
  const auto silence = rig.form.watchdog().silenceTicks();

  rig.form.mnuComm_Click(GetParam().choice);
  EXPECT_FALSE(rig.port.IsOpen());
  EXPECT_EQ(rig.port.closes(), closes + 1);
  EXPECT_EQ(rig.port.Settings(), GetParam().settings);

  // The next Timer1 tick, at most a second later.
  const int ticks = rig.Timer1.ticks();
  while (rig.Timer1.ticks() == ticks) rig.Advance(100ms);
  EXPECT_TRUE(rig.port.IsOpen());
  EXPECT_EQ(rig.port.opens(), opens + 1);
  EXPECT_EQ(rig.port.CommPort(), GetParam().choice);
  EXPECT_EQ(rig.port.Settings(), GetParam().settings);
  EXPECT_EQ(rig.form.search().baudStep(), baudStep);
  EXPECT_EQ(rig.form.watchdog().silenceTicks(), silence);  // the re-opening tick counts nothing
  EXPECT_EQ(rig.controls.captions().size(), captions);
}

INSTANTIATE_TEST_SUITE_P(Choices, CommChoice,
                         ::testing::Values(CommChoiceCase{"SamePort", 1, false, "19200,N,8,1"},
                                           CommChoiceCase{"OtherPort", 3, false, "19200,N,8,1"},
                                           CommChoiceCase{"OtherPortAtSearchSpeed", 3, true,
                                                          "115200,N,8,1"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orvane::testing
