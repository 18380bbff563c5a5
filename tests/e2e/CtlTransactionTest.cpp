// SPDX-License-Identifier: Apache-2.0
// apply as a transaction against orvane-sim: whatever goes wrong after the writes began, the
// receiver ends as it was before the run and hears no save; --partial keeps only what was
// verified; a SIGTERM puts things back; failures are said on stderr, the document on stdout.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <map>

#include "e2e/CtlRun.h"
#include "e2e/SimProcess.h"

namespace orvane::testing {
namespace {

// Three settings, the middle one the one that fails, the ethernet procedure around it.
const QByteArray kProfile =
    "[ethernet]\ninterface_mode = Config\nip_address = 192.168.7.2\n[solution]\n"
    "elevation_mask = 5\n[ethernet]\ngateway = 192.168.7.1\ninterface_mode = Active\n";

struct TxnCase {
  const char* title;
  QStringList simArguments;
  QStringList options;  // after apply PROFILE
  int exit;
  std::map<QString, QString> outcomes;  // key: outcome
  bool asBefore;                        // the receiver's settings as before the run
  bool saved;
};

void PrintTo(const TxnCase& c, std::ostream* os) {
  *os << c.title;
}

class CtlTransaction : public ::testing::TestWithParam<TxnCase> {};

TEST_P(CtlTransaction, EndsAsBeforeOrSavesOnlyWhatWasVerified) {
  const TxnCase& c = GetParam();
  SimProcess sim(c.simArguments);
  const SimProcess::Store before = sim.ReadStore();
  ProfileFile profile(kProfile);
  const QString port = sim.link();
  const CtlRun run = RunCtl(QStringList{"--json", "--port", port, "--timeout", "300", "--retries",
                                        "1", "apply", profile.path()} +
                            c.options);
  const std::string shown = run.out.toStdString() + run.err.toStdString();
  EXPECT_EQ(run.exit, c.exit) << shown;
  EXPECT_EQ(run.document.value("exit").toInt(-1), c.exit) << shown;
  for (const auto& [key, outcome] : c.outcomes) {
    EXPECT_EQ(Entry(run, key).value("outcome"), outcome) << key.toStdString() << shown;
  }
  const bool partial = c.options.contains("--partial");
  EXPECT_EQ(Port(run).value("rolled_back").toBool(), c.asBefore && !partial) << shown;
  EXPECT_EQ(Port(run).value("saved").toBool(), c.saved) << shown;
  EXPECT_EQ(sim.ReadStore() == before, c.asBefore) << shown;
  // The receiver heard a save only where one was reported. Its log lags behind: a later
  // request's line makes the count final (a receiver gone for good has none).
  RunCtl({"--port", port, "get", "ethernet.netmask"});
  sim.WaitForLine("read request ethernet.netmask", 5s);
  EXPECT_EQ(sim.Count("rx settings save") > 0, c.saved) << shown;
  // The failure is said on stderr, and the document is the whole of stdout.
  EXPECT_FALSE(run.document.isEmpty()) << shown;
  EXPECT_TRUE(run.err.contains("orvanectl: ")) << shown;
  if (partial) {
    EXPECT_EQ(sim.ReadStore()["ethernet.ip_address"], "192.168.7.2");
    EXPECT_EQ(sim.ReadStore()["solution.elevation_mask"], before.at("solution.elevation_mask"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, CtlTransaction,
    ::testing::Values(
        TxnCase{"Refused",
                {"--refuse", "solution.elevation_mask"},
                {},
                4,
                {{"solution.elevation_mask", "refused"}, {"ethernet.ip_address", "written"}},
                true,
                false},
        TxnCase{"ReadBackDiffers",
                {"--mismatch", "solution.elevation_mask"},
                {},
                5,
                {{"solution.elevation_mask", "mismatch"}},
                true,
                false},
        TxnCase{"WriteUnanswered",
                {"--lose-write-answer", "solution.elevation_mask"},
                {},
                6,
                {{"solution.elevation_mask", "unanswered"}},
                true,
                false},
        // Gone after the sixth answer (the speed's, four reads, one write), back a second later.
        TxnCase{"LostAndFoundAgain",
                {"--hang-up-after", "6", "--unplug-pause", "1"},
                {"--no-save"},
                3,
                {},
                true,
                false},
        TxnCase{"LostForGood",
                {"--hang-up-after", "6", "--unplug-pause", "60"},
                {},
                3,
                {},
                false,
                false},
        TxnCase{"PartialKeepsAndSavesOnlyWhatWasVerified",
                {"--mismatch", "solution.elevation_mask"},
                {"--partial"},
                5,
                {{"solution.elevation_mask", "mismatch"}, {"ethernet.ip_address", "written"}},
                false,
                true}),
    [](const auto& info) { return std::string(info.param.title); });

TEST(CtlTransaction, TheHumanReportSaysTheReceiverIsAsItWas) {
  SimProcess sim({"--refuse", "solution.elevation_mask"});
  ProfileFile profile(kProfile);
  const CtlRun run = RunCtl({"--port", sim.link(), "apply", profile.path()});
  EXPECT_EQ(run.exit, 4);
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
