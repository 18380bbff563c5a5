// SPDX-License-Identifier: Apache-2.0
// A port's job in virtual time, against the real simulated receiver with its failure modes: the
// transaction saves only what all reads back as written and otherwise leaves the receiver as it
// was; --partial keeps what was verified; a new speed is followed; a receiver lost mid-apply is
// found again and put back; an interrupt puts back and saves nothing.

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "PortJob.h"
#include "support/SimulatedReceiver.h"

namespace orvane::ctl {
namespace {

using namespace std::chrono_literals;
using platform::fakes::FakeSerialPort;
using platform::fakes::VirtualClock;

// The first and the last of one section: what is put back is told apart by name too.
const std::vector<transfer::ProfileSetting> kProfile = {
    {"ethernet", "ip_address", "10.1.2.3", 1},
    {"solution", "elevation_mask", "7", 2},
    {"ethernet", "netmask", "255.255.0.0", 3},
};

Target FakeTarget() {
  Target target;
  target.spec.kind = PortSpec::Kind::Device;
  target.spec.text = target.spec.device = target.device = "/dev/fake";
  return target;
}

struct JobRig {
  explicit JobRig(sim::Options simOptions, Options ctl)
      : options(std::move(ctl)), receiver(clock, port, std::move(simOptions)) {
    if (options.profile.empty()) options.profile = kProfile;
    start = receiver.store().values();
  }

  JobHost Host() {
    return {port, clock.TimerFactory(),
            [this](std::chrono::milliseconds delay, std::function<void()> step) {
              clock.Post(delay, std::move(step));
            },
            [this] { return JobHost::Clock::time_point(clock.Now()); },
            [] { return std::string("no such device"); }};
  }

  // Runs the job to its end; at each step, during() may cut in.
  const PortReport& Run(std::function<void()> during = nullptr) {
    job.Start();
    for (int i = 0; i < 20000 && !done; ++i) {
      clock.Advance(5ms);
      if (during) during();
    }
    EXPECT_TRUE(done) << receiver.log();
    return job.report();
  }

  // Runs the job; cut() comes once, when the writes have begun (the snapshot is three reads,
  // each one frame).
  const PortReport& RunCuttingInOnceWriting(std::function<void()> cut) {
    bool cutIn = false;
    return Run([&] {
      if (cutIn || port.written().size() < 5) return;
      cutIn = true;
      cut();
    });
  }

  const SettingEntry& Entry(const std::string& section, const std::string& name) const {
    for (const auto& entry : job.report().settings) {
      if (entry.section == section && entry.name == name) return entry;
    }
    throw std::out_of_range(section + "." + name);
  }

  Options options;
  VirtualClock clock;
  FakeSerialPort port{clock};
  testing::SimulatedReceiver receiver;
  std::map<std::string, std::string> start;
  bool done = false;
  PortJob job{options, FakeTarget(), Host(), [this] { done = true; }};
};

std::string Said(const PortReport& report) {
  return report.diagnosis.value_or("");
}

Options Apply(bool partial = false) {
  Options options;
  options.command = Command::Apply;
  options.partial = partial;
  return options;
}

struct Case {
  const char* name;
  sim::Options sim;
  bool partial;
  ExitCode exit;
  Outcome elevation;  // what became of solution.elevation_mask
  bool saved;
};

sim::Options With(std::set<std::string> sim::Options::*mode, std::string key) {
  sim::Options options;
  (options.*mode).insert(std::move(key));
  return options;
}

class Transaction : public ::testing::TestWithParam<Case> {};

TEST_P(Transaction, SavesAllVerifiedOrLeavesTheReceiverAsItWas) {
  const Case& c = GetParam();
  JobRig rig(c.sim, Apply(c.partial));
  const PortReport& report = rig.Run();
  EXPECT_EQ(report.exit, c.exit) << Said(report);
  const SettingEntry& elevation = rig.Entry("solution", "elevation_mask");
  EXPECT_EQ(elevation.outcome, c.elevation);
  // A refusal carries the receiver's own status.
  EXPECT_EQ(elevation.status.value_or(-1) > 0, c.elevation == Outcome::Refused);
  EXPECT_EQ(report.saved, c.saved);
  EXPECT_EQ(rig.receiver.store().saves(), c.saved ? 1 : 0);
  const auto& now = rig.receiver.store().values();
  if (c.exit == ExitCode::Done) {
    EXPECT_EQ(now.at("solution.elevation_mask"), "7");
    EXPECT_EQ(now.at("ethernet.ip_address"), "10.1.2.3");
  } else if (c.partial) {
    EXPECT_EQ(now.at("ethernet.ip_address"), "10.1.2.3");
    EXPECT_EQ(now.at("solution.elevation_mask"), rig.start.at("solution.elevation_mask"));
    EXPECT_EQ(rig.Entry("ethernet", "ip_address").outcome, Outcome::Written);
  } else {
    EXPECT_EQ(now, rig.start);
    EXPECT_TRUE(report.rolledBack);
    EXPECT_EQ(rig.Entry("ethernet", "ip_address").restored, true);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, Transaction,
    ::testing::Values(Case{"Clean", {}, false, ExitCode::Done, Outcome::Written, true},
                      Case{"Refused", With(&sim::Options::refuse, "solution.elevation_mask"), false,
                           ExitCode::Refused, Outcome::Refused, false},
                      Case{"Mismatch", With(&sim::Options::mismatch, "solution.elevation_mask"),
                           false, ExitCode::Mismatch, Outcome::Mismatch, false},
                      Case{"Unanswered",
                           With(&sim::Options::unansweredWrites, "solution.elevation_mask"), false,
                           ExitCode::Unanswered, Outcome::Unanswered, false},
                      Case{"PartialKeepsWhatWasVerified",
                           With(&sim::Options::mismatch, "solution.elevation_mask"), true,
                           ExitCode::Mismatch, Outcome::Mismatch, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Transaction, AnUnreadableSettingStopsTheRunBeforeAnyWrite) {
  JobRig rig(With(&sim::Options::noAnswer, "ethernet.netmask"), Apply());
  const PortReport& report = rig.Run();
  EXPECT_EQ(report.exit, ExitCode::Unanswered);
  EXPECT_NE(Said(report).find("nothing written: ethernet.netmask could not be read"),
            std::string::npos)
      << Said(report);
  EXPECT_EQ(rig.receiver.store().values(), rig.start);
}

TEST(Transaction, FollowsTheReceiverToTheSpeedItWasGiven) {
  Options options = Apply();
  options.profile = {{"uart1", "baudrate", "57600", 1}, {"solution", "elevation_mask", "7", 2}};
  JobRig rig({}, options);
  const PortReport& report = rig.Run();
  EXPECT_EQ(report.exit, ExitCode::Done) << Said(report);
  EXPECT_EQ(rig.Entry("uart1", "baudrate").after, "57600");
  EXPECT_EQ(report.speed, 57600);
  EXPECT_EQ(rig.receiver.baud(), 57600);
  EXPECT_TRUE(report.saved);
}

TEST(Transaction, AReceiverLostMidApplyIsFoundAgainAndPutBack) {
  JobRig rig({}, Apply());
  const PortReport& report = rig.RunCuttingInOnceWriting([&] {
    rig.port.Unplug();
    rig.job.PortFailed("device removed");
    rig.clock.Post(1s, [&] { rig.port.Replug(); });
  });
  EXPECT_EQ(report.exit, ExitCode::NoReceiver);
  EXPECT_NE(Said(report).find("port lost: device removed; found again"), std::string::npos)
      << Said(report);
  EXPECT_TRUE(report.rolledBack);
  EXPECT_FALSE(report.saved);
  EXPECT_EQ(rig.receiver.store().values(), rig.start);
  EXPECT_EQ(rig.receiver.store().saves(), 0);
}

// --partial keeps what got through: a receiver gone for good while the last write awaits its
// answer leaves the answered writes reported written and that one unanswered.
TEST(Transaction, PartialLostForGoodReportsTheWritesAnsweredSoFar) {
  JobRig rig(With(&sim::Options::unansweredWrites, "ethernet.netmask"), Apply(true));
  std::optional<std::chrono::milliseconds> writing;
  const PortReport& report = rig.Run([&] {
    if (!writing && rig.port.written().size() >= 5) writing = rig.clock.Now();
    if (!writing || rig.clock.Now() != *writing + 200ms) return;
    rig.port.Unplug();
    rig.job.PortFailed("device removed");
  });
  EXPECT_EQ(report.exit, ExitCode::NoReceiver) << Said(report);
  EXPECT_EQ(rig.Entry("solution", "elevation_mask").outcome, Outcome::Written);
  EXPECT_EQ(rig.Entry("ethernet", "ip_address").outcome, Outcome::Written);
  EXPECT_EQ(rig.Entry("ethernet", "ip_address").status, 0);
  EXPECT_EQ(rig.Entry("ethernet", "netmask").outcome, Outcome::Unanswered);
  EXPECT_FALSE(report.saved);
}

TEST(Transaction, AnInterruptPutsBackAndSavesNothing) {
  JobRig rig({}, Apply());
  const PortReport& report = rig.RunCuttingInOnceWriting([&] {
    rig.job.Interrupt(SIGINT);
    rig.job.Interrupt(SIGTERM);  // the program ends at once on a second signal; the job ignores it
  });
  EXPECT_EQ(Said(report), "interrupted by SIGINT");
  EXPECT_TRUE(report.rolledBack);
  EXPECT_EQ(rig.Entry("ethernet", "ip_address").restored, true);
  // Never written: unanswered, and nothing to put back.
  EXPECT_EQ(rig.Entry("ethernet", "netmask").outcome, Outcome::Unanswered);
  EXPECT_EQ(rig.Entry("ethernet", "netmask").restored, std::nullopt);
  EXPECT_FALSE(report.saved);
  EXPECT_EQ(rig.receiver.store().values(), rig.start);
  EXPECT_EQ(rig.receiver.store().saves(), 0);
}

TEST(ReadCommands, DiffAndGetSayWhatTheReceiverHolds) {
  Options diff;
  diff.command = Command::Diff;
  JobRig differs({}, diff);
  EXPECT_EQ(differs.Run().exit, ExitCode::Differences);
  EXPECT_EQ(differs.Entry("solution", "elevation_mask").outcome, Outcome::Differs);
  EXPECT_EQ(differs.Entry("solution", "elevation_mask").before,
            differs.start.at("solution.elevation_mask"));

  Options get;
  get.command = Command::Get;
  get.keys = {{"ethernet", "netmask", ""}, {"solution", "elevation_mask", ""}};
  JobRig read(With(&sim::Options::noAnswer, "ethernet.netmask"), get);
  EXPECT_EQ(read.Run().exit, ExitCode::Unanswered);
  EXPECT_EQ(read.Entry("ethernet", "netmask").outcome, Outcome::Unanswered);
  EXPECT_EQ(read.Entry("solution", "elevation_mask").outcome, Outcome::Read);
  EXPECT_TRUE(read.job.sender().has_value());
}

TEST(Connection, APortThatCannotOpenSaysWhy) {
  JobRig rig({}, Apply());
  rig.port.SetOpenRefused(true);
  const PortReport& report = rig.Run();
  EXPECT_EQ(report.exit, ExitCode::NoReceiver);
  EXPECT_EQ(Said(report), "port cannot be opened: no such device");
  EXPECT_FALSE(report.speed);
}

}  // namespace
}  // namespace orvane::ctl
