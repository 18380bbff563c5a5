// SPDX-License-Identifier: Apache-2.0
// What a failed apply puts back, and in what order; what the engine's answers make of a setting,
// and when a setting is one the receiver does not have.

#include <gtest/gtest.h>

#include "ApplyRun.h"
#include "Checks.h"
#include "Outcomes.h"

namespace orvane::ctl {
namespace {

using Answer = transfer::Outcome;
using Rows = std::vector<transfer::ProfileSetting>;
using Names = std::vector<std::string>;

const Rows kRows{
    {"uart1", "baudrate", "57600", 1},           {"solution", "elevation_mask", "5", 2},
    {"ethernet", "interface_mode", "Config", 3}, {"ethernet", "ip_address", "10.0.0.9", 4},
    {"ethernet", "interface_mode", "Active", 5}, {"uart0", "mode", "SBP", 6}};
const ReadValues kBefore{{{"uart1", "baudrate"}, "19200"},
                         {{"solution", "elevation_mask"}, "10"},
                         {{"ethernet", "interface_mode"}, "Active"},
                         {{"ethernet", "ip_address"}, "192.168.0.222"},
                         {{"uart0", "mode"}, "RTCM"}};

struct RestoreCase {
  const char* title;
  bool overTcp;
  std::vector<std::pair<std::size_t, Answer>> writes;  // row, its answer; the rest not sent
  Names steps;                                         // "section.name=value", in order
};

void PrintTo(const RestoreCase& c, std::ostream* os) {
  *os << c.title;
}

class Restores : public ::testing::TestWithParam<RestoreCase> {};

TEST_P(Restores, PutBackWhatMayHaveChangedLinkCuttersLastInReverse) {
  const RestoreCase& c = GetParam();
  ApplyRun run(kRows, true, c.overTcp);
  run.Plan(kBefore);
  for (const auto& [row, answer] : c.writes) run.TakeWrite(row, {answer, "", 0, 1});
  Names steps;
  for (const RestoreStep& step : run.RestorePlan()) {
    steps.push_back(step.name.first + "." + step.name.second + "=" + step.value +
                    (step.cutsLink ? " (cuts)" : ""));
  }
  EXPECT_EQ(steps, c.steps);
}

const std::vector<std::pair<std::size_t, Answer>> kAllAccepted{
    {0, Answer::Accepted}, {1, Answer::Accepted}, {2, Answer::Accepted},
    {3, Answer::Accepted}, {4, Answer::Accepted}, {5, Answer::Accepted}};

INSTANTIATE_TEST_SUITE_P(
    Table, Restores,
    ::testing::Values(
        RestoreCase{"NothingSentNothingBack", false, {}, {}},
        RestoreCase{"EverythingWrittenOverSerial",
                    false,
                    kAllAccepted,
                    {"ethernet.ip_address=192.168.0.222", "ethernet.interface_mode=Active",
                     "solution.elevation_mask=10", "uart0.mode=RTCM (cuts)",
                     "uart1.baudrate=19200 (cuts)"}},
        RestoreCase{"OverTcpTheNetworkGoesBackWithTheCutters",
                    true,
                    kAllAccepted,
                    {"solution.elevation_mask=10", "uart0.mode=RTCM (cuts)",
                     "ethernet.interface_mode=Active (cuts)",
                     "ethernet.ip_address=192.168.0.222 (cuts)", "uart1.baudrate=19200 (cuts)"}},
        // A refusal changed nothing; an unanswered or awaiting write may have; a procedure
        // started counts whole.
        RestoreCase{"OnlyWhatMayHaveChanged",
                    false,
                    {{1, Answer::Refused},
                     {2, Answer::Accepted},
                     {3, Answer::Unanswered},
                     {0, Answer::Awaiting}},
                    {"ethernet.ip_address=192.168.0.222", "ethernet.interface_mode=Active",
                     "uart1.baudrate=19200 (cuts)"}}),
    [](const auto& info) { return std::string(info.param.title); });

TEST(Restores, ASettingWithoutASnapshotCannotGoBack) {
  ApplyRun run(kRows, true, false);
  run.Plan({{{"solution", "elevation_mask"}, "10"}});
  for (const auto& [row, answer] : kAllAccepted) run.TakeWrite(row, {answer, "", 0, 1});
  ASSERT_EQ(run.RestorePlan().size(), 1U);
  EXPECT_TRUE(run.MayHaveChanged({"uart1", "baudrate"}));
}

struct OutcomeCase {
  Answer write;
  std::optional<std::string> after;
  Outcome outcome;
  ExitCode code;
};

TEST(Outcomes, ASettingIsWhatItsReadsAndWritesMakeIt) {
  const OutcomeCase cases[] = {
      {Answer::Accepted, "5", Outcome::Written, ExitCode::Done},
      {Answer::Accepted, "6", Outcome::Mismatch, ExitCode::Mismatch},
      {Answer::Accepted, std::nullopt, Outcome::Unanswered, ExitCode::Unanswered},
      {Answer::Refused, "10", Outcome::Refused, ExitCode::Refused},
      {Answer::Unanswered, "5", Outcome::Unanswered, ExitCode::Unanswered},
      {Answer::Awaiting, std::nullopt, Outcome::Unanswered, ExitCode::Unanswered},
  };
  for (const OutcomeCase& c : cases) {
    const Outcome outcome = WrittenOutcome({c.write, "", 0, 1}, c.after, std::string("5"));
    EXPECT_EQ(outcome, c.outcome) << static_cast<int>(c.write) << " " << c.after.value_or("-");
    EXPECT_EQ(CodeOf(outcome), c.code);
  }
  const transfer::ItemResult read{Answer::ValueRead, "5", 0, 1};
  EXPECT_EQ(ReadOutcome(read, std::nullopt), Outcome::Read);
  EXPECT_EQ(ReadOutcome(read, "5"), Outcome::Unchanged);
  EXPECT_EQ(ReadOutcome(read, "6"), Outcome::Differs);
  EXPECT_EQ(ReadOutcome({Answer::Unanswered, "5", 0, 4}, "5"), Outcome::Unanswered);
  EXPECT_EQ(CodeOf(Answer::NotSendable), ExitCode::Unanswered);
  EXPECT_EQ(CodeOf(Outcome::Differs), ExitCode::Differences);
  EXPECT_FALSE(MayHaveChanged(Answer::Refused));
  EXPECT_FALSE(MayHaveChanged(Answer::NotSent));
}

// A setting that reads back empty, unwritten, and is no key orvanectl knows is unknown, with the
// known key it may have meant when one is near enough: eight stray letters are not.
TEST(Outcomes, AnEmptyReadOfNoKnownKeyIsUnknownWithTheKeyItMayHaveMeant) {
  const auto read = [](const char* section, const char* name, const char* value) {
    return SettingEntry{section, name, std::nullopt, value, std::nullopt, Outcome::Read, {}};
  };
  PortReport port;
  port.settings = {read("ethernet", "ip_adress", ""),
                   read("xxxxxxxxethernet", "ip_address", ""),
                   read("ethernet", "gateway", ""),
                   read("custom", "setting", "x"),
                   {"custom", "setting", "1", "", "1", Outcome::Written, 0}};
  MarkUnknownSettings(port);
  using Seen = std::tuple<Outcome, std::optional<std::string>, bool>;  // bool: the read kept
  std::vector<Seen> seen;
  for (const SettingEntry& e : port.settings)
    seen.emplace_back(e.outcome, e.suggestion, e.before.has_value());
  EXPECT_EQ(seen, (std::vector<Seen>{{Outcome::Unknown, "ethernet.ip_address", false},
                                     {Outcome::Unknown, std::nullopt, false},
                                     {Outcome::Read, std::nullopt, true},
                                     {Outcome::Read, std::nullopt, true},
                                     {Outcome::Written, std::nullopt, true}}));
  EXPECT_EQ(port.exit, ExitCode::Refused);
}

}  // namespace
}  // namespace orvane::ctl
