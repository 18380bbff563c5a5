// SPDX-License-Identifier: Apache-2.0
// The receiver's line going away in the middle of set, over a pseudo-terminal and over TCP: the
// run looks for the receiver again (a new speed search, a new connection), then either goes on
// to the save or puts back what it wrote, and its report says which, truthfully.

#include <gtest/gtest.h>

#include <map>

#include "e2e/CtlRun.h"
#include "e2e/SimProcess.h"

namespace orvane::testing {
namespace {

struct FoundAgainCase {
  const char* title;
  bool overTcp;
  QStringList simArguments;
  QStringList command;
  int exit;
  std::map<QString, QString> outcomes;  // key: outcome
  QString diagnosis;                    // contained in the port's diagnosis
  SimProcess::Store after;              // empty: the receiver's settings as before the run
  QString proof = {};   // a line of the simulator's log that only the way back to it makes
  int connections = 1;  // TCP clients the simulator took
};

void PrintTo(const FoundAgainCase& c, std::ostream* os) {
  *os << c.title;
}

class CtlFoundAgain : public ::testing::TestWithParam<FoundAgainCase> {};

TEST_P(CtlFoundAgain, GoesOnOrPutsBackAndSaysWhichTruthfully) {
  const FoundAgainCase& c = GetParam();
  const QString tcpPort = c.overTcp ? FreeTcpPort() : QString();
  SimProcess sim(c.overTcp ? QStringList{"--tcp", tcpPort} + c.simArguments : c.simArguments);
  const SimProcess::Store before = sim.ReadStore();
  const QString port = c.overTcp ? "tcp://127.0.0.1:" + tcpPort : sim.link();
  const CtlRun run = Ctl(QStringList{"--port", port} + c.command);
  const std::string shown = run.out.toStdString() + run.err.toStdString();
  EXPECT_EQ(run.exit, c.exit) << shown;
  for (const auto& [key, outcome] : c.outcomes) {
    EXPECT_EQ(Entry(run, key).value("outcome"), outcome) << key.toStdString() << shown;
  }
  EXPECT_TRUE(Port(run).value("diagnosis").toString().contains(c.diagnosis)) << shown;
  const bool saved = !c.after.empty();
  EXPECT_EQ(Port(run).value("saved").toBool(), saved) << shown;
  if (saved) {
    EXPECT_TRUE(WaitFor([&] { return sim.ReadStore()["saves"] == "1"; }, 5s));
  }
  const SimProcess::Store store = sim.ReadStore();
  for (const auto& [key, value] : c.after) EXPECT_EQ(store.at(key), value) << key;
  if (!saved) {
    EXPECT_EQ(store, before) << shown;
  }
  // "rolled back" is a claim about the receiver: true exactly when it is as it was.
  EXPECT_EQ(Port(run).value("rolled_back").toBool(), store == before) << shown;
  if (!c.proof.isEmpty()) {
    EXPECT_TRUE(sim.WaitForLine(c.proof, 5s)) << c.proof.toStdString();
  }
  if (c.overTcp) {
    EXPECT_TRUE(
        WaitFor([&] { return sim.Count("network client connected") >= c.connections; }, 5s));
  }
}

const auto kTitle = [](const auto& info) { return std::string(info.param.title); };

INSTANTIATE_TEST_SUITE_P(
    Table, CtlFoundAgain,
    ::testing::Values(
        // The terminal goes right after the speed's write is answered (the third answer, after
        // the search's and the snapshot's reads) and is back a second later at the new speed:
        // only a search takes the tool to 115200 on the way to 57600.
        FoundAgainCase{"PtyGoneAfterTheSpeedWriteFoundBySearchAndPutBack",
                       false,
                       {"--hang-up-after", "3", "--unplug-pause", "1"},
                       {"set", "uart1.baudrate=57600"},
                       3,
                       {{"uart1.baudrate", "written"}},
                       "port lost: the device closed; found again",
                       {},
                       "line set to 115200 baud by the tool"},
        FoundAgainCase{"TcpDroppedAfterTheSpeedWriteConnectsAgainAndSaves",
                       true,
                       {"--hang-up-after", "uart1.baudrate"},
                       {"set", "solution.elevation_mask=7", "uart1.baudrate=57600"},
                       0,
                       {{"solution.elevation_mask", "written"}, {"uart1.baudrate", "written"}},
                       {},
                       {{"solution.elevation_mask", "7"}, {"uart1.baudrate", "57600"}},
                       {},
                       2},
        // Four reads and two write answers, then the client is dropped mid-apply.
        FoundAgainCase{
            "TcpDroppedMidApplyConnectsAgainAndPutsBack",
            true,
            {"--hang-up-after", "6"},
            {"set", "solution.elevation_mask=7", "surveyed_position.surveyed_alt=1",
             "surveyed_position.surveyed_lat=2", "surveyed_position.surveyed_lon=3"},
            3,
            {{"solution.elevation_mask", "written"}, {"surveyed_position.surveyed_alt", "written"}},
            "port lost: The remote host closed the connection; found again",
            {},
            {},
            2},
        // The terminal goes again after the write that puts the speed back: looked for again,
        // as going forward, and the way back goes on.
        FoundAgainCase{"PtyGoneAfterEverySpeedWriteStillPutBack",
                       false,
                       {"--hang-up-after", "uart1.baudrate", "--unplug-pause", "1"},
                       {"set", "uart1.baudrate=57600"},
                       3,
                       {{"uart1.baudrate", "written"}},
                       "found again",
                       {}},
        // The latitude's write is taken but its answer lost, and the drop comes while it waits:
        // it may have changed, so it is put back too.
        FoundAgainCase{
            "TcpDroppedWithAWriteAwaitingItsAnswerPutsThatBackToo",
            true,
            {"--hang-up-after", "6", "--lose-write-answer", "surveyed_position.surveyed_lat"},
            {"set", "surveyed_position.surveyed_lat=2", "solution.elevation_mask=7",
             "surveyed_position.surveyed_alt=1", "surveyed_position.surveyed_lon=3"},
            3,
            {},
            "found again",
            {},
            {},
            2}),
    kTitle);

}  // namespace
}  // namespace orvane::testing
