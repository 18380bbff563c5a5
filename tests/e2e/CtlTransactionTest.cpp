// SPDX-License-Identifier: Apache-2.0
// apply as a transaction against orvane-sim, the receiver's line going or a signal coming after
// the writes began: the receiver ends as it was where it can and hears no save; failures are
// said on stderr, the document on stdout. What each failing setting does to the run is the job
// test's, in virtual time.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "e2e/CtlRun.h"
#include "e2e/SimProcess.h"

namespace orvane::testing {
namespace {

// Three settings, the middle one the one that fails, the ethernet procedure around it.
const QByteArray kProfile =
    "[ethernet]\ninterface_mode = Config\nip_address = 192.168.7.2\n[solution]\n"
    "elevation_mask = 5\n[ethernet]\ngateway = 192.168.7.1\ninterface_mode = Active\n";

// The terminal goes after the sixth answer (the speed's, four reads, one write) and comes back
// after the pause: found again, the receiver is put back; gone for good, it cannot be.
struct LostCase {
  const char* title;
  const char* unplugPause;  // seconds
  bool asBefore;            // the receiver's settings as before the run
};

void PrintTo(const LostCase& c, std::ostream* os) {
  *os << c.title;
}

class CtlTransaction : public ::testing::TestWithParam<LostCase> {};

TEST_P(CtlTransaction, EndsAsBeforeWhenItCanAndNeverSavesAReceiverItLost) {
  const LostCase& c = GetParam();
  SimProcess sim({"--hang-up-after", "6", "--unplug-pause", c.unplugPause});
  const SimProcess::Store before = sim.ReadStore();
  ProfileFile profile(kProfile);
  const QString port = sim.link();
  const CtlRun run = RunCtl(
      {"--json", "--port", port, "--timeout", "300", "--retries", "1", "apply", profile.path()});
  const std::string shown = run.out.toStdString() + run.err.toStdString();
  EXPECT_EQ(run.exit, 3) << shown;
  EXPECT_EQ(run.document.value("exit").toInt(-1), 3) << shown;
  EXPECT_EQ(Port(run).value("rolled_back").toBool(), c.asBefore) << shown;
  EXPECT_FALSE(Port(run).value("saved").toBool()) << shown;
  EXPECT_EQ(sim.ReadStore() == before, c.asBefore) << shown;
  // The receiver heard no save. Its log lags behind: a later request's line makes the count
  // final (a receiver gone for good has none).
  RunCtl({"--port", port, "get", "ethernet.netmask"});
  sim.WaitForLine("read request ethernet.netmask", 5s);
  EXPECT_EQ(sim.Count("rx settings save"), 0) << shown;
  // The failure is said on stderr, and the document is the whole of stdout.
  EXPECT_FALSE(run.document.isEmpty()) << shown;
  EXPECT_TRUE(run.err.contains("orvanectl: ")) << shown;
}

INSTANTIATE_TEST_SUITE_P(Table, CtlTransaction,
                         ::testing::Values(LostCase{"LostAndFoundAgain", "1", true},
                                           LostCase{"LostForGood", "60", false}),
                         [](const auto& info) { return std::string(info.param.title); });

// The mask reads back other than written.
TEST(CtlTransaction, TheHumanReportSaysTheReceiverIsAsItWas) {
  SimProcess sim({"--mismatch", "solution.elevation_mask"});
  ProfileFile profile(kProfile);
  const CtlRun run = RunCtl({"--port", sim.link(), "apply", profile.path()});
  EXPECT_EQ(run.exit, 5);
  EXPECT_TRUE(run.out.contains("rolled back: the receiver is as it was")) << run.out.toStdString();
  EXPECT_TRUE(run.out.contains("(written, status 0, put back)")) << run.out.toStdString();
}

// Each answer a second late: the run is mid-write when the signal comes.
TEST(CtlTransaction, ASigtermMidApplyPutsBackSavesNothingAndExits143) {
  SimProcess sim({"--latency", "400"});
  const SimProcess::Store before = sim.ReadStore();
  ProfileFile profile(kProfile);
  QProcess process;
  process.start(QStringLiteral(ORVANECTL_EXE),
                {"--json", "--port", sim.link(), "--baud", "19200", "apply", profile.path()});
  ASSERT_TRUE(sim.WaitForLine("rx settings write", 30s));
  process.terminate();
  ASSERT_TRUE(WaitFor([&] { return process.state() == QProcess::NotRunning; }, 30s));
  const QByteArray out = process.readAllStandardOutput();
  EXPECT_EQ(process.exitCode(), 143) << out.toStdString();
  const QJsonObject document = QJsonDocument::fromJson(out).object();
  EXPECT_EQ(document.value("exit").toInt(), 143) << out.toStdString();
  const QJsonObject port = document.value("ports").toArray().at(0).toObject();
  EXPECT_TRUE(port.value("diagnosis").toString().startsWith("interrupted by SIGTERM"));
  EXPECT_FALSE(port.value("saved").toBool());
  EXPECT_TRUE(process.readAllStandardError().contains("interrupted by SIGTERM"));
  EXPECT_EQ(sim.ReadStore(), before);
  RunCtl({"--port", sim.link(), "get", "ethernet.netmask"});
  EXPECT_TRUE(sim.WaitForLine("read request ethernet.netmask", 10s));
  EXPECT_EQ(sim.Count("rx settings save"), 0);
}

}  // namespace
}  // namespace orvane::testing
