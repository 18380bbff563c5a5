// SPDX-License-Identifier: Apache-2.0
// Which rows apply writes and in what order, given what the receiver holds.

#include <gtest/gtest.h>

#include "ApplyPlan.h"

namespace orvane::ctl {
namespace {

using Rows = std::vector<transfer::ProfileSetting>;
using Indices = std::vector<std::size_t>;

struct PlanCase {
  const char* title;
  Rows rows;
  ReadValues before;
  bool all;
  bool overTcp;
  Indices together;
  Indices last;
};

void PrintTo(const PlanCase& c, std::ostream* os) {
  *os << c.title;
}

class Plans : public ::testing::TestWithParam<PlanCase> {};

TEST_P(Plans, WriteWhatChangesWithLinkCuttersLastAndProceduresWhole) {
  const PlanCase& c = GetParam();
  const ApplyPlan plan = PlanApply(c.rows, c.before, c.all, c.overTcp);
  EXPECT_EQ(plan.together, c.together);
  EXPECT_EQ(plan.last, c.last);
}

const Rows kMask{{"solution", "elevation_mask", "10", 1},
                 {"ethernet", "ip_address", "10.0.0.9", 2}};
const Rows kProcedure{{"ethernet", "interface_mode", "Config", 1},
                      {"solution", "elevation_mask", "10", 2},
                      {"ethernet", "interface_mode", "Active", 3}};
const Rows kCutters{{"uart1", "baudrate", "57600", 1},
                    {"solution", "elevation_mask", "10", 2},
                    {"uart0", "mode", "SBP", 3},
                    {"tcp_server0", "port", "55555", 4},
                    {"uart1", "enabled_sbp_messages", "65535", 5}};

INSTANTIATE_TEST_SUITE_P(
    Table, Plans,
    ::testing::Values(
        PlanCase{"NothingWhenEverythingHolds",
                 kMask,
                 {{{"solution", "elevation_mask"}, "10"}, {{"ethernet", "ip_address"}, "10.0.0.9"}},
                 false,
                 false,
                 {},
                 {}},
        PlanCase{"OnlyTheRowThatDiffers",
                 kMask,
                 {{{"solution", "elevation_mask"}, "5"}, {{"ethernet", "ip_address"}, "10.0.0.9"}},
                 false,
                 false,
                 {0},
                 {}},
        PlanCase{"ASettingThatDidNotAnswerIsWritten",
                 kMask,
                 {{{"solution", "elevation_mask"}, "10"}},
                 false,
                 false,
                 {1},
                 {}},
        PlanCase{"AllWritesEveryRow",
                 kMask,
                 {{{"solution", "elevation_mask"}, "10"}, {{"ethernet", "ip_address"}, "10.0.0.9"}},
                 true,
                 false,
                 {0, 1},
                 {}},
        PlanCase{
            "ARepeatedSettingHoldingItsLastValueIsStillWrittenWholeWithAChange",
            kProcedure,
            {{{"ethernet", "interface_mode"}, "Active"}, {{"solution", "elevation_mask"}, "5"}},
            false,
            false,
            {0, 1, 2},
            {}},
        PlanCase{
            "ARepeatedSettingAloneIsNotWrittenWhenNothingChanges",
            kProcedure,
            {{{"ethernet", "interface_mode"}, "Active"}, {{"solution", "elevation_mask"}, "10"}},
            false,
            false,
            {},
            {}},
        PlanCase{
            "SerialLinkCuttersGoLastInProfileOrder", kCutters, {}, false, false, {1, 3}, {0, 2, 4}},
        PlanCase{"OverTcpTheNetworkSettingsCutTheLinkToo",
                 kCutters,
                 {},
                 false,
                 true,
                 {1},
                 {0, 2, 3, 4}}),
    [](const auto& info) { return std::string(info.param.title); });

TEST(WrittenSettings, EachOnceInTheOrderOfItsFirstRow) {
  const ApplyPlan plan{{1, 2}, {0}};
  const Rows rows{{"uart1", "baudrate", "57600", 1},
                  {"ethernet", "interface_mode", "Config", 2},
                  {"ethernet", "interface_mode", "Active", 3}};
  EXPECT_EQ(WrittenSettings(rows, plan),
            (std::vector<SettingName>{{"uart1", "baudrate"}, {"ethernet", "interface_mode"}}));
}

}  // namespace
}  // namespace orvane::ctl
