// SPDX-License-Identifier: Apache-2.0
// The operator's session with the simulated receiver over its TCP server: COM port 1 leads to
// tcp://127.0.0.1:PORT. A network link has no speed, so a silent receiver is never searched for.

#include <QTcpSocket>
#include <memory>
#include <vector>

#include "ProgramRig.h"

namespace orvane::testing {
namespace {

// Waits for a status line while keeping every one shown on the way.
bool WaitWatching(const ProgramRig& program, const std::string& status,
                  std::chrono::milliseconds limit, std::vector<std::string>& seen) {
  return WaitFor(
      [&] {
        const std::string now = program.Status();
        if (seen.empty() || seen.back() != now) seen.push_back(now);
        return now == status;
      },
      limit);
}

TEST(OperatorOverTcp, ReadsWritesSeesSilenceWithoutASearchAndTheReceiverGoing) {
  const QString port = FreeTcpPort();
  auto sim = std::make_unique<SimProcess>(
      QStringList{"--tcp", port}, SimProcess::Store{{"ethernet.ip_address", "10.20.30.40"},
                                                    {"surveyed_position.surveyed_alt", "58.7"}});
  ProgramRig program("tcp://127.0.0.1:" + port);
  std::vector<std::string> seen;
  ASSERT_TRUE(WaitWatching(program, "green: Communications Good", 30s, seen)) << program.Status();

  ASSERT_TRUE(program.Read(1)) << program.Status();
  EXPECT_EQ(program.Value("txtIP"), "10.20.30.40");
  EXPECT_EQ(program.Value("txtAlt"), "58.7");

  program.Set("txtAlt", "330.0");
  program.Click("cmdWrite");
  ASSERT_TRUE(WaitWatching(program, "green: Communicarions Good", 60s, seen)) << program.Status();
  ASSERT_TRUE(sim->WaitForLine("settings saved (1 saves so far)", 15s));
  EXPECT_EQ(sim->ReadStore()["surveyed_position.surveyed_alt"], "330.0");

  // Ten silent ticks turn the line red; five more would start a search on a serial port, whose
  // first step asks for this filter again. The count is final: a later line is in.
  const QString filter = QStringLiteral("rx settings write uart1.enabled_sbp_messages");
  const auto filters = sim->Count(filter);
  sim->Command("silent on");
  ASSERT_TRUE(WaitWatching(program, "red: Orvane Not Found", 20s, seen)) << program.Status();
  WaitWatching(program, "never shown", 8s, seen);
  for (const std::string& status : seen) EXPECT_EQ(status.find("Testing at"), std::string::npos);
  EXPECT_EQ(program.Status(), "red: Orvane Not Found");
  sim->Command("silent off");
  ASSERT_TRUE(sim->WaitForLine("heartbeats on", 10s));
  EXPECT_EQ(sim->Count(filter), filters);

  sim.reset();  // the receiver goes away, and its server with it
  EXPECT_TRUE(program.WaitForStatus("red: Com Port  1 not available", 10s)) << program.Status();
}

// One client at a time: a tool that connects again is served at once, and the connection before
// is closed rather than left half alive.
TEST(SimulatorOverTcp, ANewClientReplacesTheOneBeforeAndIsServedTheHeartbeat) {
  const QString port = FreeTcpPort();
  SimProcess sim({"--tcp", port});
  const auto heartbeatFrom = [](QTcpSocket& client) {
    QByteArray bytes;
    return WaitFor(
        [&] {
          bytes += client.readAll();
          return bytes.contains(QByteArray("\x55\xFF\xFF", 3));
        },
        5s);
  };
  QTcpSocket first;
  first.connectToHost(QHostAddress::LocalHost, port.toUShort());
  ASSERT_TRUE(heartbeatFrom(first));

  QTcpSocket second;
  second.connectToHost(QHostAddress::LocalHost, port.toUShort());
  EXPECT_TRUE(WaitFor([&] { return first.state() == QAbstractSocket::UnconnectedState; }, 5s));
  EXPECT_TRUE(heartbeatFrom(second));
  EXPECT_TRUE(sim.WaitForLine("network client replaced by a new one", 5s));
}

}  // namespace
}  // namespace orvane::testing
