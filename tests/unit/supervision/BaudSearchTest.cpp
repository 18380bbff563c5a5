#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "support/FormRig.h"
#include "support/Frames.h"
#include "support/ReceiverModel.h"
#include "unit/supervision/SupervisionHelpers.h"

namespace orvane::testing {
namespace {

constexpr std::int32_t kGreen = 65280;

struct Speed {
  const char* caption;
  const char* settings;
};
constexpr std::array<Speed, 7> kSpeeds{{
    {"Testing at 115,200 baud", "115200,N,8,1"},
    {"Testing at 57,600 baud", "57600,N,8,1"},
    {"Testing at 38,400 baud", "38400,N,8,1"},
    {"Testing at 9,600 baud", "9600,N,8,1"},
    {"Testing at 4,800 baud", "4800,N,8,1"},
    {"Testing at 2,400 baud", "2400,N,8,1"},
    {"Testing at 1,200 baud", "1200,N,8,1"},
}};

std::string LineErrorsName(bool reports) {
  return reports ? "ReportsLineErrors" : "NoLineErrors";
}

// After the search has ended the port stands at 19200 baud, open, and nothing re-opens it again.
void ExpectHeldAt19200WithoutReopening(FormRig& rig) {
  ASSERT_TRUE(rig.port.IsOpen());
  EXPECT_EQ(rig.port.Settings(), "19200,N,8,1");
  const int opens = rig.port.opens();
  const int closes = rig.port.closes();
  rig.Advance(60s);
  EXPECT_EQ(rig.port.opens(), opens);
  EXPECT_EQ(rig.port.closes(), closes);
  EXPECT_TRUE(rig.port.IsOpen());
}

struct SearchCase {
  const char* name;
  std::optional<std::int32_t> receiverBaud;  // nothing: a silent line
  bool lineErrors;
  const char* foundAt;  // line settings the speed change went out at; nullptr when none is sent
  std::int16_t finalStep;
  std::size_t speedsTried;
};

class SearchAgainstSpeedModel : public ::testing::TestWithParam<SearchCase> {};

TEST_P(SearchAgainstSpeedModel, TriesSpeedsInOrderAndHoldsThePortAt19200) {
  const SearchCase& c = GetParam();
  FormRig rig;
  rig.port.SetCanReportLineErrors(c.lineErrors);
  std::optional<ReceiverModel> receiver;
  if (c.receiverBaud) receiver.emplace(rig.clock, rig.port, c.receiverBaud);

  rig.Advance(70s);  // 16 s before the search starts, at most nine 2.5 s ticks after
  EXPECT_EQ(rig.form.search().baudStep(), c.finalStep);

  std::vector<std::string> expectedCaptions;
  std::vector<std::string> expectedFilterSpeeds;
  for (std::size_t i = 0; i < c.speedsTried; ++i) {
    expectedCaptions.push_back(kSpeeds[i].caption);
    expectedFilterSpeeds.push_back(kSpeeds[i].settings);
  }
  EXPECT_EQ(CaptionsStartingWith(rig.controls.captions(), "Testing at"), expectedCaptions);

  // The message filter goes out once at every speed tried, at that speed.
  std::vector<std::string> filterSpeeds;
  for (const auto& write : Uart1Writes(rig.port, kFilterName)) {
    filterSpeeds.push_back(write.settings);
    EXPECT_EQ(Decode(write.frame).texts[2], "165,175,65535");
  }
  EXPECT_EQ(filterSpeeds, expectedFilterSpeeds);

  const auto changes = Uart1Writes(rig.port, kBaudrateName);
  if (c.foundAt) {
    ASSERT_EQ(changes.size(), 1U);
    EXPECT_EQ(changes[0].settings, c.foundAt);
    EXPECT_EQ(Decode(changes[0].frame).texts[2], "19200");
    EXPECT_EQ(changes[0].heardByReceiver, true);
  } else {
    EXPECT_TRUE(changes.empty());
  }

  // One close and open per speed tried and for the hold, and the first tick's open.
  EXPECT_EQ(rig.port.opens(), static_cast<int>(c.speedsTried) + 2);
  EXPECT_EQ(rig.port.closes(), static_cast<int>(c.speedsTried) + 1);
  ExpectHeldAt19200WithoutReopening(rig);

  if (c.receiverBaud) {  // the receiver moved to 19200 and is heard there
    EXPECT_EQ(rig.controls.LampColour(), kGreen);
    EXPECT_LE(rig.form.watchdog().silenceTicks(), 1);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Receivers, SearchAgainstSpeedModel,
    ::testing::Values(
        SearchCase{"At9600_ReportsLineErrors", 9600, true, "9600,N,8,1", 10, 4},
        SearchCase{"At9600_NoLineErrors", 9600, false, "9600,N,8,1", 10, 4},
        SearchCase{"At115200_ReportsLineErrors", 115200, true, "115200,N,8,1", 10, 1},
        SearchCase{"At115200_NoLineErrors", 115200, false, "115200,N,8,1", 10, 1},
        SearchCase{"At1200_ReportsLineErrors", 1200, true, "1200,N,8,1", 10, 7},
        SearchCase{"At1200_NoLineErrors", 1200, false, "1200,N,8,1", 10, 7},
        // A silent line shows no framing error, so 115200 counts as clean.
        SearchCase{"SilentLine_ReportsLineErrors", std::nullopt, true, "115200,N,8,1", 10, 1},
        // Without line errors no frame ever verifies: every speed is tried, none found.
        SearchCase{"SilentLine_NoLineErrors", std::nullopt, false, nullptr, 8, 7}),
    [](const auto& info) { return std::string(info.param.name); });

class SearchOnPort : public ::testing::TestWithParam<bool> {
 protected:
  SearchOnPort() { rig.port.SetCanReportLineErrors(GetParam()); }

  FormRig rig;
  ReceiverModel receiver{rig.clock, rig.port, 9600};
};

TEST_P(SearchOnPort, ReceiverAnswersSetTheFilterAndSpeedWriteFlagsAndShowProgress) {
  rig.Advance(70s);
  ASSERT_EQ(rig.form.search().baudStep(), 10);
  EXPECT_TRUE(rig.form.writing().done(43));  // "uart1"/"enabled_sbp_messages"
  EXPECT_TRUE(rig.form.writing().done(45));  // "uart1"/"baudrate"
  EXPECT_EQ(rig.form.writing().accepted(), 2);
  const auto progress = CaptionsStartingWith(rig.controls.captions(), "Write Configuration");
  EXPECT_EQ(progress, (std::vector<std::string>{"Write Configuration  1 of 49",
                                                "Write Configuration  2 of 49"}));
  EXPECT_EQ(rig.controls.Caption(), "Write Configuration  2 of 49");
}

TEST_P(SearchOnPort, TickWithThePortClosedDoesNothingAndTheSearchGoesOnWhenReopened) {
  rig.port.SetAvailablePorts({1});
  AdvanceToTick(rig, rig.tmrComError, 1);
  ASSERT_EQ(rig.form.search().baudStep(), 1);
  rig.form.mnuComm_Click(2);  // a port that cannot open
  const auto testing = CaptionsStartingWith(rig.controls.captions(), "Testing at").size();
  const auto writes = rig.port.written().size();
  rig.Advance(10s);  // four search ticks
  EXPECT_EQ(rig.tmrComError.ticks(), 5);
  EXPECT_EQ(rig.form.search().baudStep(), 1);
  EXPECT_FALSE(rig.port.IsOpen());
  EXPECT_EQ(CaptionsStartingWith(rig.controls.captions(), "Testing at").size(), testing);
  EXPECT_EQ(rig.port.written().size(), writes);
  EXPECT_EQ(rig.controls.Caption(), "Com Port  2 not available");

  rig.form.mnuComm_Click(1);
  rig.Advance(60s);
  EXPECT_EQ(rig.form.search().baudStep(), 10);
  const auto changes = Uart1Writes(rig.port, kBaudrateName);
  ASSERT_EQ(changes.size(), 1U);
  EXPECT_EQ(changes[0].settings, "9600,N,8,1");
  ExpectHeldAt19200WithoutReopening(rig);
}

TEST_P(SearchOnPort, ReceiverThatKeepsItsSpeedIsLostAndNoSecondSearchStarts) {
  receiver.SetFollowsSpeedChange(false);
  rig.Advance(70s);
  ASSERT_EQ(rig.form.search().baudStep(), 10);
  EXPECT_EQ(rig.controls.Caption(), "Orvane Not Found");
  EXPECT_EQ(Count(rig.controls.captions(), "Testing at 115,200 baud"), 1);
  ExpectHeldAt19200WithoutReopening(rig);
}

INSTANTIATE_TEST_SUITE_P(LineErrors, SearchOnPort, ::testing::Bool(),
                         [](const auto& info) { return LineErrorsName(info.param); });

// Noise heard at a wrong speed can hold a stray preamble whose length byte makes the frame
// receiver wait for up to 262 more bytes; at the receiver's own speed those bytes would be its
// heartbeats and answers. The search must find the receiver all the same.
class NoiseBeforeTheSearch : public ::testing::TestWithParam<std::tuple<std::int32_t, bool>> {};

void ExpectFoundAt(const FormRig& rig, std::int32_t baud) {
  const auto changes = Uart1Writes(rig.port, kBaudrateName);
  ASSERT_EQ(changes.size(), 1U);
  EXPECT_EQ(changes[0].settings, std::to_string(baud) + ",N,8,1");
}

TEST_P(NoiseBeforeTheSearch, StrayPreambleDoesNotHideTheReceiver) {
  const auto [baud, lineErrors] = GetParam();
  FormRig rig;
  rig.port.SetCanReportLineErrors(lineErrors);
  ReceiverModel receiver(rig.clock, rig.port, baud);
  rig.OpenPort();
  rig.port.Inject({0x55, 0xA0, 0x00, 0x42, 0x00, 0xFF});  // a header promising 255 bytes
  rig.Advance(70s);
  ExpectFoundAt(rig, baud);
}

TEST_P(NoiseBeforeTheSearch, ReceiverIsFoundWhateverTheNoise) {
  const auto [baud, lineErrors] = GetParam();
  for (std::uint32_t seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE("noise seed " + std::to_string(seed));
    FormRig rig;
    rig.port.SetCanReportLineErrors(lineErrors);
    rig.port.SetNoiseSeed(seed);
    ReceiverModel receiver(rig.clock, rig.port, baud);
    rig.Advance(70s);
    ExpectFoundAt(rig, baud);
  }
}

INSTANTIATE_TEST_SUITE_P(Receivers, NoiseBeforeTheSearch,
                         ::testing::Combine(::testing::Values(115200, 9600, 1200),
                                            ::testing::Bool()),
                         [](const auto& info) {
                           return "At" + std::to_string(std::get<0>(info.param)) + "_" +
                                  LineErrorsName(std::get<1>(info.param));
                         });

// A re-open that fails inside a search tick leaves the port closed: the search pauses until the
// watchdog has re-opened it, at the speed the failing step set.
struct ReopenCase {
  const char* name;
  int failingTick;  // search ticks for a receiver at 9600: 115200, 57600, 38400, 9600, found, hold
  const char* settingsLeft;
  std::int16_t stepLeft;
  std::size_t filterWrites;  // none goes out at the speed whose open failed
};

class ReopenFails : public ::testing::TestWithParam<std::tuple<ReopenCase, bool>> {};

TEST_P(ReopenFails, PortStaysClosedAndSearchWaitsForTheWatchdog) {
  const auto& [c, lineErrors] = GetParam();
  FormRig rig;
  rig.port.SetCanReportLineErrors(lineErrors);
  ReceiverModel receiver(rig.clock, rig.port, 9600);
  AdvanceToTick(rig, rig.tmrComError, c.failingTick - 1);
  rig.Advance(1500ms);
  ASSERT_TRUE(rig.port.IsOpen());
  rig.port.SetOpenRefused(true);
  AdvanceToTick(rig, rig.tmrComError, c.failingTick);

  EXPECT_FALSE(rig.port.IsOpen());
  EXPECT_EQ(rig.port.Settings(), c.settingsLeft);
  EXPECT_EQ(rig.form.search().baudStep(), c.stepLeft);
  rig.Advance(5000ms);  // two search ticks, five watchdog ticks
  EXPECT_EQ(rig.form.search().baudStep(), c.stepLeft);
  EXPECT_FALSE(rig.port.IsOpen());
  EXPECT_EQ(rig.controls.Caption(), "Com Port  1 not available");

  rig.port.SetOpenRefused(false);
  rig.Advance(1000ms);
  ASSERT_TRUE(rig.port.IsOpen());
  EXPECT_EQ(rig.port.Settings(), c.settingsLeft);
  rig.Advance(60s);
  EXPECT_EQ(rig.form.search().baudStep(), 10);
  EXPECT_EQ(Uart1Writes(rig.port, kFilterName).size(), c.filterWrites);
  const auto changes = Uart1Writes(rig.port, kBaudrateName);
  ASSERT_EQ(changes.size(), 1U);
  EXPECT_EQ(changes[0].settings, "9600,N,8,1");
  ExpectHeldAt19200WithoutReopening(rig);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, ReopenFails,
    ::testing::Combine(::testing::Values(ReopenCase{"InTestingStep", 2, "57600,N,8,1", 2, 3},
                                         ReopenCase{"InHoldStep", 6, "19200,N,8,1", 10, 4}),
                       ::testing::Bool()),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) + "_" +
             LineErrorsName(std::get<1>(info.param));
    });

}  // namespace
}  // namespace orvane::testing
