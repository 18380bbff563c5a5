// SPDX-License-Identifier: Apache-2.0
// How far orvanectl's detect gets on a line: from nothing at all to a heartbeat at the slowest
// speed, at a speed it is given, over TCP, and on every serial port the system lists.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "e2e/CtlRun.h"
#include "e2e/SimProcess.h"

namespace orvane::testing {
namespace {

struct DetectCase {
  const char* title;
  QStringList simArguments;
  QStringList ctlArguments;  // before the command
  bool overTcp;
  int exit;
  QString diagnosis;
  int speed;  // 0: none reported
};

void PrintTo(const DetectCase& c, std::ostream* os) {
  *os << c.title;
}

class CtlDetect : public ::testing::TestWithParam<DetectCase> {};

TEST_P(CtlDetect, SaysHowFarTheLineGot) {
  const DetectCase& test = GetParam();
  const QString tcpPort = test.overTcp ? FreeTcpPort() : QString();
  SimProcess sim(test.overTcp ? QStringList{"--tcp", tcpPort} + test.simArguments
                              : test.simArguments);
  const QString port = test.overTcp ? "tcp://127.0.0.1:" + tcpPort : sim.link();
  const CtlRun run = Ctl(QStringList{"--port", port} + test.ctlArguments + QStringList{"detect"});
  EXPECT_EQ(run.exit, test.exit);
  EXPECT_EQ(Port(run).value("diagnosis"), test.diagnosis);
  EXPECT_EQ(Port(run).value("speed").toInt(0), test.speed);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CtlDetect,
    ::testing::Values(DetectCase{"SilentLine",
                                 {"--silent", "--no-answer", "uart1.baudrate"},
                                 {},
                                 false,
                                 3,
                                 "no bytes received",
                                 0},
                      DetectCase{
                          "OnlyNoise",
                          {"--silent", "--no-answer", "uart1.baudrate", "--noise", "--seed", "3"},
                          {},
                          false,
                          3,
                          "bytes received but no valid frame at any speed",
                          0},
                      DetectCase{"AnswersWithoutHeartbeats",
                                 {"--silent"},
                                 {},
                                 false,
                                 0,
                                 "frames but no heartbeat",
                                 19200},
                      DetectCase{"HeartbeatAtTheSlowestSpeed",
                                 {"--baud", "1200"},
                                 {},
                                 false,
                                 0,
                                 "heartbeat at 1200",
                                 1200},
                      DetectCase{"AtTheSpeedGiven",
                                 {"--baud", "9600"},
                                 {"--baud", "9600"},
                                 false,
                                 0,
                                 "heartbeat at 9600",
                                 9600},
                      DetectCase{"AtAWrongSpeedGivenNoSearch",
                                 {"--baud", "9600"},
                                 {"--baud", "19200"},
                                 false,
                                 3,
                                 "bytes received but no valid frame at any speed",
                                 0},
                      DetectCase{"OverTcp", {}, {}, true, 0, "heartbeat over TCP", 0}),
    [](const auto& info) { return std::string(info.param.title); });

// auto tries every serial port the system lists. One that does not answer stays out of the
// report; with none answering, one entry "auto" says why. A pseudo-terminal is never listed, so
// the simulator is named beside it.
TEST(CtlPortAuto, ReportsOnlyWhatAnsweredAndSaysWhyWhenNothingDid) {
  SimProcess sim;
  const CtlRun both = Ctl({"--port", "auto", "--port", sim.link(), "detect"});
  EXPECT_EQ(both.exit, 0);
  EXPECT_EQ(both.document.value("ports").toArray().size(), 1);
  EXPECT_EQ(Port(both).value("port"), sim.link());

  const CtlRun alone = Ctl({"--port", "auto", "detect"});
  EXPECT_EQ(alone.exit, 3);
  ASSERT_EQ(alone.document.value("ports").toArray().size(), 1);
  EXPECT_EQ(Port(alone).value("port"), "auto");
  EXPECT_THAT(Port(alone).value("diagnosis").toString().toStdString(),
              ::testing::AnyOf("no receiver answered on any serial port", "no serial ports found"));
  EXPECT_TRUE(alone.err.contains(Port(alone).value("diagnosis").toString().toUtf8()));
}

}  // namespace
}  // namespace orvane::testing
