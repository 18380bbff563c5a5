// SPDX-License-Identifier: Apache-2.0
// Turning the system's running line-error totals into typed line errors, over scripted totals:
// pseudo-terminals keep none, so the real counters cannot be driven from a test.

#include <gtest/gtest.h>

#include <limits>

#include "ScriptedCounts.h"
#include "platform/qt/LineErrorCounter.h"

namespace orvane::platform::qt {
namespace {

using Errors = std::vector<LineError>;
constexpr qintptr kHandle = 7;
constexpr auto kTop = std::numeric_limits<std::uint32_t>::max();

struct CountingCase {
  const char* name;
  LineCounts atBegin;
  LineCounts later;
  Errors expected;
};

void PrintTo(const CountingCase& c, std::ostream* os) {
  *os << c.name;
}

class LineCounting : public ::testing::TestWithParam<CountingCase> {};

TEST_P(LineCounting, ReportsWhatGrewSinceTheBaseline) {
  const CountingCase& c = GetParam();
  auto counts = std::make_shared<ScriptedCounts::State>();
  counts->present = true;
  counts->counts = c.atBegin;
  LineErrorCounter counter(std::make_unique<ScriptedCounts>(counts));
  ASSERT_TRUE(counter.Begin(kHandle));
  EXPECT_EQ(counts->preparedHandle, kHandle);
  counts->counts = c.later;
  EXPECT_EQ(counter.TakeNew(kHandle), c.expected);
  EXPECT_EQ(counter.TakeNew(kHandle), Errors{}) << "each error is reported once";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LineCounting,
    ::testing::Values(
        CountingCase{"NothingNew", {5, 6, 7, 8}, {5, 6, 7, 8}, {}},
        CountingCase{"FramingErrorsSinceOpenOnly",
                     {40, 0, 0, 0},
                     {42, 0, 0, 0},
                     {LineError::Framing, LineError::Framing}},
        // A slower sender's low runs show as breaks: they judge the speed as framing errors do.
        CountingCase{"BreakCountsAsFraming", {0, 3, 0, 0}, {0, 4, 0, 0}, {LineError::Framing}},
        CountingCase{"ParityAsParity", {0, 0, 9, 0}, {0, 0, 10, 0}, {LineError::Parity}},
        CountingCase{"OverrunAsOverrun",
                     {0, 0, 0, 1},
                     {0, 0, 0, 3},
                     {LineError::Overrun, LineError::Overrun}},
        CountingCase{
            "EveryKindAtOnce",
            {1, 1, 1, 1},
            {2, 2, 2, 2},
            {LineError::Framing, LineError::Framing, LineError::Parity, LineError::Overrun}},
        CountingCase{"AcrossTheWrapOfEachCounter",
                     {kTop, kTop, kTop - 1, kTop},
                     {0, 0, 0, 1},
                     {LineError::Framing, LineError::Framing, LineError::Parity, LineError::Parity,
                      LineError::Overrun, LineError::Overrun}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LineCounting, ACounterThatJumpsOrRestartsGivesABoundedBurst) {
  auto counts = std::make_shared<ScriptedCounts::State>();
  counts->present = true;
  counts->counts = {1000, 0, 0, 0};
  LineErrorCounter counter(std::make_unique<ScriptedCounts>(counts));
  ASSERT_TRUE(counter.Begin(kHandle));
  counts->counts = {0, 0, 0, 0};  // the driver started again from zero
  const Errors burst = counter.TakeNew(kHandle);
  // Enough to saturate the logic's count of framing errors, far from four billion handler calls.
  EXPECT_GE(burst.size(), 10u);
  EXPECT_LE(burst.size(), 1000u);
  counts->counts = {1, 0, 0, 0};
  EXPECT_EQ(counter.TakeNew(kHandle), Errors{LineError::Framing}) << "counting goes on from there";
}

TEST(LineCounting, ANewBaselineForgetsWhatCameBeforeIt) {
  auto counts = std::make_shared<ScriptedCounts::State>();
  counts->present = true;
  LineErrorCounter counter(std::make_unique<ScriptedCounts>(counts));
  ASSERT_TRUE(counter.Begin(kHandle));
  counts->counts = {3, 2, 0, 0};  // heard at the old speed
  ASSERT_TRUE(counter.Begin(kHandle));
  EXPECT_EQ(counter.TakeNew(kHandle), Errors{});
}

TEST(LineCounting, NothingIsCountedWithoutCountersOrAfterTheEnd) {
  auto counts = std::make_shared<ScriptedCounts::State>();
  LineErrorCounter counter(std::make_unique<ScriptedCounts>(counts));
  EXPECT_FALSE(counter.Begin(kHandle)) << "a device that keeps no counters";
  counts->counts = {1, 1, 1, 1};
  EXPECT_EQ(counter.TakeNew(kHandle), Errors{});

  counts->present = true;
  ASSERT_TRUE(counter.Begin(kHandle));
  EXPECT_FALSE(counter.Begin(-1)) << "no handle: the port is not open";
  counts->counts = {2, 2, 2, 2};
  EXPECT_EQ(counter.TakeNew(kHandle), Errors{});

  ASSERT_TRUE(counter.Begin(kHandle));
  counter.End();
  counts->counts = {3, 3, 3, 3};
  EXPECT_EQ(counter.TakeNew(kHandle), Errors{});
  // Counters that vanish mid-run (the driver went away) report nothing and keep the baseline.
  ASSERT_TRUE(counter.Begin(kHandle));
  counts->present = false;
  counts->counts = {4, 3, 3, 3};
  EXPECT_EQ(counter.TakeNew(kHandle), Errors{});
  counts->present = true;
  EXPECT_EQ(counter.TakeNew(kHandle), Errors{LineError::Framing});
}

TEST(LineCounting, TheSystemCountersOfANonSerialHandleCountNothing) {
  LineErrorCounter counter(SystemLineCounts());
  EXPECT_FALSE(counter.Begin(0)) << "standard input is no serial port";
}

}  // namespace
}  // namespace orvane::platform::qt
