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

struct Counting {
  explicit Counting(bool present = true) { counts->present = present; }
  std::shared_ptr<ScriptedCounts::State> counts = std::make_shared<ScriptedCounts::State>();
  LineErrorCounter counter{std::make_unique<ScriptedCounts>(counts)};
};

struct CountingCase {
  const char* name;
  LineCounts atBegin;
  LineCounts later;
  Errors expected;
};

TEST(LineCounting, ReportsWhatGrewSinceTheBaseline) {
  const CountingCase cases[] = {
      {"NothingNew", {5, 6, 7, 8}, {5, 6, 7, 8}, {}},
      {"FramingErrorsSinceOpenOnly",
       {40, 0, 0, 0},
       {42, 0, 0, 0},
       {LineError::Framing, LineError::Framing}},
      // A slower sender's low runs show as breaks: they judge the speed as framing errors do.
      {"BreakCountsAsFraming", {0, 3, 0, 0}, {0, 4, 0, 0}, {LineError::Framing}},
      {"ParityAsParity", {0, 0, 9, 0}, {0, 0, 10, 0}, {LineError::Parity}},
      {"OverrunAsOverrun", {0, 0, 0, 1}, {0, 0, 0, 3}, {LineError::Overrun, LineError::Overrun}},
      {"EveryKindAtOnce",
       {1, 1, 1, 1},
       {2, 2, 2, 2},
       {LineError::Framing, LineError::Framing, LineError::Parity, LineError::Overrun}},
      {"AcrossTheWrapOfEachCounter",
       {kTop, kTop, kTop - 1, kTop},
       {0, 0, 0, 1},
       {LineError::Framing, LineError::Framing, LineError::Parity, LineError::Parity,
        LineError::Overrun, LineError::Overrun}}};
  for (const CountingCase& c : cases) {
    Counting rig;
    rig.counts->counts = c.atBegin;
    ASSERT_TRUE(rig.counter.Begin(kHandle)) << c.name;
    EXPECT_EQ(rig.counts->preparedHandle, kHandle) << c.name;
    rig.counts->counts = c.later;
    EXPECT_EQ(rig.counter.TakeNew(kHandle), c.expected) << c.name;
    EXPECT_EQ(rig.counter.TakeNew(kHandle), Errors{}) << c.name << ": each error is reported once";
  }
}

TEST(LineCounting, ACounterThatJumpsOrRestartsGivesABoundedBurst) {
  Counting rig;
  auto& [counts, counter] = rig;
  counts->counts = {1000, 0, 0, 0};
  ASSERT_TRUE(counter.Begin(kHandle));
  counts->counts = {0, 0, 0, 0};  // the driver started again from zero
  const Errors burst = counter.TakeNew(kHandle);
  // Enough to saturate the logic's count of framing errors, far from four billion handler calls.
  EXPECT_GE(burst.size(), 10u);
  EXPECT_LE(burst.size(), 1000u);
  counts->counts = {1, 0, 0, 0};
  EXPECT_EQ(counter.TakeNew(kHandle), Errors{LineError::Framing}) << "counting goes on from there";
}

TEST(LineCounting, NothingIsCountedWithoutCountersOrAfterTheEnd) {
  Counting rig(false);
  auto& [counts, counter] = rig;
  EXPECT_FALSE(counter.Begin(kHandle)) << "a device that keeps no counters";
  EXPECT_FALSE(LineErrorCounter(SystemLineCounts()).Begin(0)) << "standard input is no serial port";
  counts->counts = {1, 1, 1, 1};
  EXPECT_EQ(counter.TakeNew(kHandle), Errors{});

  counts->present = true;
  ASSERT_TRUE(counter.Begin(kHandle));
  EXPECT_FALSE(counter.Begin(-1)) << "no handle: the port is not open";
  counts->counts = {2, 2, 2, 2};
  EXPECT_EQ(counter.TakeNew(kHandle), Errors{});

  ASSERT_TRUE(counter.Begin(kHandle));
  counts->counts = {5, 4, 4, 4};  // heard at the old speed: a new baseline forgets it
  ASSERT_TRUE(counter.Begin(kHandle));
  EXPECT_EQ(counter.TakeNew(kHandle), Errors{});
  counter.End();
  counts->counts = {6, 5, 5, 5};
  EXPECT_EQ(counter.TakeNew(kHandle), Errors{});
  // Counters that vanish mid-run (the driver went away) report nothing and keep the baseline.
  ASSERT_TRUE(counter.Begin(kHandle));
  counts->present = false;
  counts->counts = {7, 5, 5, 5};
  EXPECT_EQ(counter.TakeNew(kHandle), Errors{});
  counts->present = true;
  EXPECT_EQ(counter.TakeNew(kHandle), Errors{LineError::Framing});
}

}  // namespace
}  // namespace orvane::platform::qt
