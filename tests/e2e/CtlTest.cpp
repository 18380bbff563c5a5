// SPDX-License-Identifier: Apache-2.0
// orvanectl against orvane-sim as a script uses it: over a pseudo-terminal and over TCP, one
// port and several, every exit status brought about by a real cause, the JSON read back.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <map>

#include "e2e/CtlRun.h"
#include "e2e/SimProcess.h"

namespace orvane::testing {
namespace {

const QByteArray kProfile =
    "[solution]\nelevation_mask = 5\n[ethernet]\ninterface_mode = Config\n"
    "ip_address = 192.168.7.2\ninterface_mode = Active\n";

TEST(CtlApply, WritesWhatDiffersVerifiesSavesAndThenDiffFindsNothing) {
  SimProcess sim;
  ProfileFile profile(kProfile);
  const QStringList port{"--port", sim.link()};

  const CtlRun dry = Ctl(port + QStringList{"apply", profile.path(), "--dry-run"});
  EXPECT_EQ(dry.exit, 1);
  EXPECT_EQ(Entry(dry, "solution", "elevation_mask").value("outcome"), "differs");
  EXPECT_FALSE(Port(dry).value("saved").toBool());
  EXPECT_EQ(sim.Count("settings write"), 0);

  const CtlRun apply = Ctl(port + QStringList{"apply", profile.path()});
  EXPECT_EQ(apply.exit, 0) << QJsonDocument(apply.document).toJson().toStdString();
  EXPECT_EQ(Port(apply).value("speed").toInt(), 19200);
  EXPECT_TRUE(Port(apply).value("saved").toBool());
  const QJsonObject mask = Entry(apply, "solution", "elevation_mask");
  EXPECT_EQ(mask.value("outcome"), "written");
  EXPECT_EQ(mask.value("before"), "10");
  EXPECT_EQ(mask.value("after"), "5");
  EXPECT_EQ(mask.value("status").toInt(-1), 0);
  EXPECT_EQ(Entry(apply, "ethernet", "interface_mode").value("wanted"), "Active");
  EXPECT_EQ(Entry(apply, "ethernet", "interface_mode").value("outcome"), "written");
  EXPECT_TRUE(apply.err.isEmpty()) << apply.err.toStdString();
  EXPECT_EQ(sim.ReadStore()["solution.elevation_mask"], "5");
  EXPECT_EQ(sim.ReadStore()["ethernet.ip_address"], "192.168.7.2");
  EXPECT_TRUE(sim.WaitForLine("settings save", 10s));

  const CtlRun diff = Ctl(port + QStringList{"diff", profile.path()});
  EXPECT_EQ(diff.exit, 0);
  for (const auto& entry : Port(diff).value("settings").toArray()) {
    EXPECT_EQ(entry.toObject().value("outcome"), "unchanged");
    EXPECT_TRUE(entry.toObject().value("status").isNull());
  }
  // Nothing to change: nothing written, nothing saved.
  const CtlRun again = Ctl(port + QStringList{"apply", profile.path()});
  EXPECT_EQ(again.exit, 0);
  EXPECT_FALSE(Port(again).value("saved").toBool());
}

TEST(CtlSpeed, AutoFindsAReceiverAt9600AndTracesTheSearchWhenAsked) {
  SimProcess sim({"--baud", "9600"});
  const CtlRun run = Ctl({"--port", sim.link(), "detect", "-v"});
  EXPECT_EQ(run.exit, 0);
  EXPECT_EQ(Port(run).value("speed").toInt(), 9600);
  EXPECT_EQ(Port(run).value("diagnosis"), "heartbeat at 9600");
  const QString trace = QString::fromUtf8(run.err);
  // Asked once or twice at the usual speed, once at each speed above 9600, then at 9600.
  EXPECT_GE(trace.count("tx settings read request uart1.baudrate"), 5) << run.err.toStdString();
  EXPECT_TRUE(trace.contains("rx settings read response uart1.baudrate = 9600"));
  EXPECT_TRUE(trace.contains("rx heartbeat"));
}

TEST(CtlPorts, SeveralAtOnceOneOfThemOverTcp) {
  const QString tcpPort = FreeTcpPort();
  SimProcess first;
  SimProcess second({"--tcp", tcpPort, "--refuse", "solution.elevation_mask"});
  const QString tcp = "tcp://127.0.0.1:" + tcpPort;
  const CtlRun run =
      Ctl({"--port", first.link(), "--port", tcp, "set", "solution.elevation_mask=3", "--no-save"});
  EXPECT_EQ(run.exit, 4);
  const QJsonArray ports = run.document.value("ports").toArray();
  ASSERT_EQ(ports.size(), 2);
  EXPECT_EQ(ports[0].toObject().value("port"), first.link());
  EXPECT_EQ(ports[0].toObject().value("exit").toInt(), 0);
  EXPECT_EQ(ports[1].toObject().value("port"), tcp);
  EXPECT_EQ(ports[1].toObject().value("exit").toInt(), 4);
  EXPECT_TRUE(ports[1].toObject().value("speed").isNull());
  EXPECT_EQ(first.ReadStore()["solution.elevation_mask"], "3");
}

// What a technician new to the tools meets, from the README and the man pages alone: one run of
// orvanectl each, read as text, against a fresh simulated receiver. In the arguments, {sim} is
// the receiver's link, {tcp} its TCP port, {profile} the case's file.
struct FirstUseCase {
  const char* title;
  QStringList arguments;
  int exit;
  QStringList says;   // on stdout (an error: on stderr), in this order
  QStringList never;  // nowhere on stdout
  QByteArray profile = {};
  QString com1 = {};  // ORVANE_COM1, for --port 1
};

void PrintTo(const FirstUseCase& c, std::ostream* os) {
  *os << c.title;
}

class CtlFirstUse : public ::testing::TestWithParam<FirstUseCase> {};

TEST_P(CtlFirstUse, DoesWhatTheDocsSay) {
  const FirstUseCase& test = GetParam();
  const QString tcpPort = FreeTcpPort();
  SimProcess sim({"--tcp", tcpPort});
  ProfileFile profile(test.profile);
  const auto fill = [&](QString text) {
    return text.replace("{sim}", sim.link())
        .replace("{tcp}", tcpPort)
        .replace("{profile}", profile.path());
  };
  QStringList arguments;
  for (const QString& argument : test.arguments) arguments << fill(argument);
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  if (!test.com1.isEmpty()) env.insert("ORVANE_COM1", fill(test.com1));
  process.setProcessEnvironment(env);
  process.start(QStringLiteral(ORVANECTL_EXE), arguments);
  ASSERT_TRUE(WaitFor([&] { return process.state() == QProcess::NotRunning; }, 60s));
  const QString out = QString::fromUtf8(process.readAllStandardOutput());
  EXPECT_EQ(process.exitCode(), test.exit) << out.toStdString();
  qsizetype at = 0;
  for (const QString& words : test.says) {
    const qsizetype found = out.indexOf(fill(words), at);
    EXPECT_GE(found, 0) << fill(words).toStdString() << " after " << at << " in\n"
                        << out.toStdString();
    at = std::max(at, found);
  }
  for (const QString& words : test.never)
    EXPECT_FALSE(out.contains(fill(words))) << out.toStdString();
}

const QByteArray kBlankProfile =
    "[ethernet]\nip_address =\nnetmask = 255.255.255.0\n"
    "[surveyed_position]\nsurveyed_lat = 0\nsurveyed_lon = 0.0\nsurveyed_alt = -0\n";

INSTANTIATE_TEST_SUITE_P(
    Table, CtlFirstUse,
    ::testing::Values(
        FirstUseCase{"ForceWritesThemAnyway",
                     {"--port", "{sim}", "apply", "{profile}", "--force", "--no-save"},
                     0,
                     {"ethernet.ip_address: \"192.168.0.222\" -> \"\" (written",
                      "surveyed_position.surveyed_alt: \"45.32\" -> \"-0\" (written"},
                     {},
                     kBlankProfile},
        FirstUseCase{"AnUnknownSettingGoesUncheckedAndIsReportedUnknown",
                     {"--port", "{sim}", "set", "custom.setting=anything", "--no-save"},
                     4,
                     {"custom.setting: the receiver has no such setting (unknown"},
                     {"refused"}},
        FirstUseCase{"GetOfAMisspeltSetting",
                     {"--port", "{sim}", "get", "ethernet.ip_adress", "ethernet.netmask"},
                     4,
                     {"netmask = 255.255.255.0",
                      "# ethernet.ip_adress: unknown; did you mean ethernet.ip_address?"},
                     {"ip_adress ="}},
        FirstUseCase{"CommItemOverTcp",
                     {"--port", "1", "detect"},
                     0,
                     {"tcp://127.0.0.1:{tcp}: heartbeat over TCP"},
                     {},
                     {},
                     "tcp://127.0.0.1:{tcp}"}),
    [](const auto& info) { return std::string(info.param.title); });

// Receivers that misbehave as a hostile line would: each row is one way, and what the run then
// says and reports. "%P" in the command stands for the profile's path.
struct HostileCase {
  const char* title;
  QStringList simArguments;
  bool overTcp;
  QStringList command;
  int exit;
  QString diagnosis;  // contained in the port's diagnosis; empty: none at all
  std::map<QString, QString> outcomes;
  bool saved = false;
  bool portTwice = false;  // the terminal named by its link and by its own path
};

void PrintTo(const HostileCase& c, std::ostream* os) {
  *os << c.title;
}

class CtlHostile : public ::testing::TestWithParam<HostileCase> {};

const QByteArray kFiveRows =
    "[solution]\nelevation_mask = 5\n[surveyed_position]\nsurveyed_alt = 1\nsurveyed_lat = 2\n"
    "surveyed_lon = 3\n[ethernet]\ngateway = 10.0.0.1\n";

TEST_P(CtlHostile, EndsAsTheLineAllowsAndSaysWhatHappened) {
  const HostileCase& c = GetParam();
  const QString tcpPort = FreeTcpPort();
  SimProcess sim(c.simArguments + (c.overTcp ? QStringList{"--tcp", tcpPort} : QStringList{}));
  ProfileFile profile(c.outcomes.count("ethernet.ip_address") ? kProfile : kFiveRows);
  QStringList arguments{"--port", c.overTcp ? "tcp://127.0.0.1:" + tcpPort : sim.link()};
  if (c.portTwice) arguments << "--port" << QFileInfo(sim.link()).canonicalFilePath();
  for (const QString& word : c.command) arguments << (word == "%P" ? profile.path() : word);
  const CtlRun run = Ctl(arguments);
  const std::string shown = QJsonDocument(run.document).toJson().toStdString();
  EXPECT_EQ(run.exit, c.exit) << shown;
  EXPECT_EQ(run.document.value("ports").toArray().size(), 1) << shown;
  const QString diagnosis = Port(run).value("diagnosis").toString();
  EXPECT_TRUE(c.diagnosis.isEmpty() ? diagnosis.isEmpty() : diagnosis.contains(c.diagnosis))
      << shown;
  for (const auto& [key, outcome] : c.outcomes) {
    EXPECT_EQ(Entry(run, key).value("outcome"), outcome) << key.toStdString() << "\n" << shown;
  }
  EXPECT_EQ(Port(run).value("saved").toBool(), c.saved) << shown;
  EXPECT_FALSE(run.err.contains("ioctl")) << run.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Table, CtlHostile,
    ::testing::Values(
        // The new address is taken over a connection the receiver then drops; the tool connects
        // again, confirms and goes on to the save.
        HostileCase{"DropsTcpAfterTheAddressIsWritten",
                    {"--hang-up-after", "ethernet.ip_address"},
                    true,
                    {"apply", "%P"},
                    0,
                    {},
                    {{"ethernet.ip_address", "written"}, {"solution.elevation_mask", "written"}},
                    true},
        HostileCase{"GoesRightAfterTheSave",
                    {"--hang-up-after", "save", "--unplug-pause", "60"},
                    false,
                    {"apply", "%P"},
                    0,
                    "port lost after the save was sent",
                    {{"solution.elevation_mask", "written"}, {"ethernet.gateway", "written"}},
                    true},
        HostileCase{"DripsItsBytes",
                    {"--drip", "50"},
                    false,
                    {"get", "solution.elevation_mask"},
                    6,
                    "answers slower than the time-out (--timeout 500 ms)",
                    {{"solution.elevation_mask", "unanswered"}}},
        HostileCase{"NamedTwoWays",
                    {},
                    false,
                    {"set", "solution.elevation_mask=7", "--no-save"},
                    0,
                    {},
                    {{"solution.elevation_mask", "written"}},
                    false,
                    true}),
    [](const auto& info) { return std::string(info.param.title); });

}  // namespace
}  // namespace orvane::testing

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
