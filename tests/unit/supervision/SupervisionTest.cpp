// SPDX-License-Identifier: Apache-2.0
// The watchdog and the baud-rate search, on a whole session in virtual time.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "support/Frames.h"
#include "support/SessionRig.h"
#include "support/SimulatedReceiver.h"
#include "transfer/BaseStation.h"

namespace orvane::testing {
namespace {

namespace lamp = session::lamp;
using Phase = supervision::BaudSearch::Phase;

using Written = platform::fakes::FakeSerialPort::Written;
std::vector<Written> Uart1Writes(const platform::fakes::FakeSerialPort& port,
                                 std::string_view name) {
  std::vector<Written> found;
  for (const Written& w : port.written()) {
    const Sent s = Decode(w.frame);
    if (s.type == 0x00A0 && s.texts.size() == 3 && s.texts[0] == "uart1" && s.texts[1] == name)
      found.push_back(w);
  }
  return found;
}

TEST(Watchdog, TenthSilentTickTurnsTheLineRedOnceAndFifteenthStartsTheOnlySearch) {
  SessionRig rig;
  rig.port.SetCanReportLineErrors(false);
  SimulatedReceiver receiver(rig.clock, rig.port, 19200);  // heartbeats at 0.5 s, 1.5 s ...
  rig.Advance(5500ms);  // the last heartbeat comes between ticks 5 and 6
  receiver.SetHeartbeating(false);
  ASSERT_EQ(rig.status().caption(), "Communications Good");
  rig.Advance(9000ms);
  EXPECT_EQ(rig.status().lamp(), lamp::kGreen);
  rig.Advance(1000ms);  // the tenth silent tick
  EXPECT_EQ(rig.status().lamp(), lamp::kRed);
  EXPECT_EQ(rig.status().caption(), "Orvane Not Found");
  rig.Advance(4000ms);
  EXPECT_EQ(rig.captions.size(), 3U);  // ticks with the countdown at 0 write nothing
  EXPECT_FALSE(rig.session->search().HasStarted());
  rig.Advance(1000ms);  // the fifteenth
  EXPECT_TRUE(rig.session->search().HasStarted());

  // Heartbeats verified before the search do not make a speed clean; no later silence searches.
  rig.Advance(60s);
  EXPECT_EQ(rig.session->search().phase(), Phase::AllSpeedsTried);
  receiver.SetHeartbeating(true);
  rig.Advance(5000ms);
  EXPECT_EQ(rig.status().caption(), "Communications Good");
  receiver.SetHeartbeating(false);
  rig.Advance(60s);
  EXPECT_EQ(std::ranges::count(rig.captions, "Testing at 115,200 baud"), 1);
}

TEST(Watchdog, UnavailableChoiceIsReportedEveryTickWithCountersFrozenUntilItOpens) {
  SessionRig rig;
  rig.port.SetAvailablePorts({1});
  SimulatedReceiver receiver(rig.clock, rig.port, 19200);
  rig.Advance(3600ms);  // heartbeats up to 3.5 s, ticks up to 3 s
  receiver.SetHeartbeating(false);
  rig.Advance(4000ms);  // four silent ticks
  const auto& watchdog = rig.session->watchdog();
  rig.session->ChoosePort(3);
  rig.Advance(30s);
  EXPECT_EQ(std::ranges::count(rig.captions, "Com Port  3 not available"), 30);
  EXPECT_EQ(rig.status().lamp(), lamp::kRed);
  EXPECT_EQ(watchdog.heartbeatCountdown(), 6);
  EXPECT_EQ(watchdog.silenceTicks(), 4);

  rig.port.SetAvailablePorts({1, 3});
  const auto captions = rig.captions.size();
  rig.Advance(1000ms);
  ASSERT_TRUE(rig.port.IsOpen());
  EXPECT_EQ(rig.port.PortNumber(), 3);
  EXPECT_EQ(rig.captions.size(), captions);  // opening writes nothing
  rig.Advance(1000ms);
  EXPECT_EQ(watchdog.silenceTicks(), 5);
}

TEST(Watchdog, HeartbeatDuringAProgressDisplayResetsTheCountersButLeavesTheStatusLine) {
  SessionRig rig;
  rig.Advance(6000ms);
  rig.session->OnReadClicked();
  const std::string progress = rig.status().caption();
  rig.port.ReceiverSends(HeartbeatFrame());
  EXPECT_EQ(rig.status().lamp(), lamp::kYellow);
  EXPECT_EQ(rig.status().caption(), progress);
  EXPECT_EQ(rig.session->watchdog().silenceTicks(), 0);
}

// Only the Comm menu's numbers choose a port; a network link is never searched.
TEST(Watchdog, ChoosesOnlyPorts1To8AndNeverSearchesALinkWithoutALineSpeed) {
  for (const std::int16_t n : {0, 9, -1, 8}) {
    SessionRig rig;
    rig.OpenPort();
    rig.session->ChoosePort(n);
    EXPECT_EQ(rig.port.IsOpen(), n != 8) << n;
    EXPECT_EQ(rig.session->watchdog().portNumber(), n == 8 ? 8 : 1) << n;
  }
  SessionRig rig;
  rig.port.SetHasLineSpeed(false);
  rig.Advance(60s);
  EXPECT_FALSE(rig.session->search().HasStarted());
  EXPECT_EQ(rig.port.opens(), 1);
  EXPECT_TRUE(rig.port.written().empty());
}

constexpr std::array<const char*, 7> kTestingCaptions{
    "Testing at 115,200 baud", "Testing at 57,600 baud", "Testing at 38,400 baud",
    "Testing at 9,600 baud",   "Testing at 4,800 baud",  "Testing at 2,400 baud",
    "Testing at 1,200 baud"};
constexpr std::array<const char*, 7> kTestingSettings{"115200,N,8,1", "57600,N,8,1", "38400,N,8,1",
                                                      "9600,N,8,1",   "4800,N,8,1",  "2400,N,8,1",
                                                      "1200,N,8,1"};

// The speed change went out once at `foundAt` (none when null), and the port now stays open at
// 19200 baud: nothing closes or re-opens it again.
void ExpectSearchEnded(SessionRig& rig, const char* foundAt) {
  const auto changes = Uart1Writes(rig.port, "baudrate");
  ASSERT_EQ(changes.size(), foundAt ? 1U : 0U);
  if (foundAt) {
    EXPECT_EQ(changes[0].settings, foundAt);
    EXPECT_EQ(Decode(changes[0].frame).texts[2], "19200");
  }
  EXPECT_EQ(rig.session->search().phase(), foundAt ? Phase::Found : Phase::AllSpeedsTried);
  ASSERT_TRUE(rig.port.IsOpen());
  EXPECT_EQ(platform::ToText(rig.port.lineSettings()), "19200,N,8,1");
  const int opens = rig.port.opens();
  rig.Advance(60s);
  EXPECT_EQ(rig.port.opens(), opens);
  EXPECT_TRUE(rig.port.IsOpen());
}

struct SearchCase {
  const char* name;
  std::optional<std::int32_t> receiverBaud;  // nothing: a silent line
  bool lineErrors;
  std::size_t speedsTried;
  const char* foundAt;
};

TEST(BaudSearch, TriesSpeedsInOrderTellsTheFirstCleanOneAndHoldsThePortAt19200) {
  const SearchCase cases[] = {{"At9600", 9600, true, 4, "9600,N,8,1"},
                              {"At9600_NoLineErrors", 9600, false, 4, "9600,N,8,1"},
                              {"At115200", 115200, true, 1, "115200,N,8,1"},
                              {"At115200_NoLineErrors", 115200, false, 1, "115200,N,8,1"},
                              {"At1200", 1200, true, 7, "1200,N,8,1"},
                              {"At1200_NoLineErrors", 1200, false, 7, "1200,N,8,1"},
                              // No framing error on a silent line: 115200 counts as clean.
                              {"Silent", std::nullopt, true, 1, "115200,N,8,1"},
                              // No frame ever verifies: every speed is tried and none is clean.
                              {"Silent_NoLineErrors", std::nullopt, false, 7, nullptr}};
  for (const SearchCase& c : cases) {
    SCOPED_TRACE(c.name);
    SessionRig rig;
    rig.port.SetCanReportLineErrors(c.lineErrors);
    std::optional<SimulatedReceiver> receiver;
    if (c.receiverBaud) receiver.emplace(rig.clock, rig.port, *c.receiverBaud);
    rig.OpenPort();
    // Noise with a preamble whose length byte promises 255 more bytes: unless the frame receiver
    // hunts afresh at each speed, it swallows the heartbeats that would judge the next one.
    rig.port.Inject({0x55, 0xA0, 0x00, 0x42, 0x00, 0xFF});
    rig.Advance(70s);  // 16 s before the search starts, at most nine 2.5 s ticks after

    std::vector<std::string> captions;
    for (const auto& caption : rig.captions) {
      if (caption.starts_with("Testing at")) captions.push_back(caption);
    }
    EXPECT_EQ(captions, std::vector<std::string>(kTestingCaptions.begin(),
                                                 kTestingCaptions.begin() + c.speedsTried));
    // The message filter goes out once at every speed tried, at that speed.
    std::vector<std::string> filterSpeeds;
    for (const auto& write : Uart1Writes(rig.port, "enabled_sbp_messages")) {
      filterSpeeds.push_back(write.settings);
      EXPECT_EQ(Decode(write.frame).texts[2], "165,175,65535");
    }
    EXPECT_EQ(filterSpeeds, std::vector<std::string>(kTestingSettings.begin(),
                                                     kTestingSettings.begin() + c.speedsTried));
    EXPECT_EQ(rig.port.opens(), static_cast<int>(c.speedsTried) + 2);  // first tick, speeds, hold
    ExpectSearchEnded(rig, c.foundAt);
    // The receiver heard the speed change, moved to 19200 and is heard there.
    EXPECT_EQ(rig.status().lamp(), c.receiverBaud ? lamp::kGreen : lamp::kRed);
  }
}

// With no heartbeat the tick at 1 s opens the port and the fifteenth silent tick (16 s) starts
// the search; its ticks come at 18.5 s, 21 s, 23.5 s ...
TEST(BaudSearch, PausesWhileThePortIsClosedAndGoesOnAtItsSpeedOnTheNewlyChosenPort) {
  SessionRig rig;
  rig.port.SetAvailablePorts({1});
  SimulatedReceiver receiver(rig.clock, rig.port, 9600);
  rig.Advance(18500ms);  // testing at 115200
  rig.session->ChoosePort(2);
  rig.Advance(10s);  // four search ticks
  EXPECT_EQ(rig.session->search().speedsTried(), 1);
  EXPECT_EQ(rig.status().caption(), "Com Port  2 not available");

  rig.port.SetAvailablePorts({1, 2});
  rig.Advance(1000ms);
  ASSERT_TRUE(rig.port.IsOpen());
  EXPECT_EQ(rig.port.PortNumber(), 2);
  EXPECT_EQ(platform::ToText(rig.port.lineSettings()), "115200,N,8,1");
  rig.Advance(60s);
  ExpectSearchEnded(rig, "9600,N,8,1");
}

TEST(BaudSearch, FailedReopenLeavesThePortClosedAndTheSearchWaitsForTheWatchdog) {
  SessionRig rig;
  SimulatedReceiver receiver(rig.clock, rig.port, 9600);
  rig.Advance(20s);
  rig.port.SetOpenRefused(true);
  rig.Advance(1000ms);  // testing at 57600: the open fails
  rig.Advance(5000ms);  // two search ticks
  EXPECT_EQ(rig.session->search().speedsTried(), 2);
  EXPECT_EQ(rig.status().caption(), "Com Port  1 not available");

  rig.port.SetOpenRefused(false);
  rig.Advance(1000ms);
  EXPECT_EQ(platform::ToText(rig.port.lineSettings()), "57600,N,8,1");
  rig.Advance(60s);
  EXPECT_EQ(Uart1Writes(rig.port, "enabled_sbp_messages").size(), 3U);  // none at 57600
  ExpectSearchEnded(rig, "9600,N,8,1");
}

// The read, the write and the search are not exclusive: a write clicked while the search steps
// through the speeds goes on beside it, every row and the save going out at whatever speed the
// line is at, and the search keeps its one tick per speed.
TEST(BaudSearch, AWriteClickedDuringTheSearchGoesOnBesideIt) {
  SessionRig rig;
  rig.port.SetCanReportLineErrors(false);  // a silent line: every speed is tried
  rig.Advance(17s);
  ASSERT_EQ(rig.session->search().phase(), Phase::Testing);
  rig.session->OnWriteClicked();
  rig.Advance(15s);  // the write's fifty ticks and the save

  std::size_t settingsWrites = 0;
  std::size_t saves = 0;
  std::set<std::string> speeds;
  for (const Written& w : rig.port.written()) {
    const std::uint16_t type = Decode(w.frame).type;
    settingsWrites += type == 0x00A0;
    saves += type == 0x00A1;
    if (type == 0x00A0) speeds.insert(w.settings);
  }
  const auto tried = static_cast<std::size_t>(rig.session->search().speedsTried());
  EXPECT_EQ(tried, 6U);  // ticks at 18.5 s to 31 s
  EXPECT_EQ(settingsWrites, transfer::BaseStationProfile().size() + tried);
  EXPECT_EQ(saves, 1U);
  // Rows went out at 19200 until the search's next tick, then between its ticks at its speeds.
  EXPECT_EQ(speeds.size(), tried + 1);
  EXPECT_FALSE(rig.session->writing().engine().IsRunning());
}

}  // namespace
}  // namespace orvane::testing
