// SPDX-License-Identifier: Apache-2.0
// orvanectl run as a script runs it: exit status, stdout as text or as one JSON document, and
// a silent stderr. The receiver commands here meet no receiver (a device that does not exist,
// a closed loopback port), so they end with "no receiver" once the engine is in as well.

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <map>

#include "transfer/ProfileFile.h"

namespace orvane::ctl {
namespace {

struct Result {
  int exit = -1;
  QByteArray out;
  QByteArray err;
};

Result Ctl(const QStringList& arguments) {
  QProcess process;
  process.start(QStringLiteral(ORVANECTL_EXE), arguments);
  EXPECT_TRUE(process.waitForFinished(30000)) << arguments.join(' ').toStdString();
  return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
          process.readAllStandardOutput(), process.readAllStandardError()};
}

// The document every command prints under --json, with the fields every port carries.
QJsonObject Document(const Result& result) {
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(result.out, &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << result.out.toStdString();
  const QJsonObject object = document.object();
  EXPECT_TRUE(object.value("command").isString() || object.value("command").isNull());
  EXPECT_EQ(object.value("exit").toInt(-1), result.exit);
  EXPECT_TRUE(object.value("ports").isArray());
  for (const auto& entry : object.value("ports").toArray()) {
    const QJsonObject port = entry.toObject();
    EXPECT_TRUE(port.value("port").isString());
    EXPECT_TRUE(port.value("speed").isDouble() || port.value("speed").isNull());
    EXPECT_TRUE(port.value("exit").isDouble());
    EXPECT_TRUE(port.value("diagnosis").isString() || port.value("diagnosis").isNull());
    EXPECT_TRUE(port.value("saved").isBool());
    EXPECT_TRUE(port.value("elapsed_ms").isDouble());
    EXPECT_TRUE(port.value("settings").isArray());
  }
  return object;
}

// A FIFO nobody writes to, made once for the table and left to the system's temporary files.
QString Fifo() {
  static const QString path = [] {
    char dir[] = "/tmp/ctl-fifo-XXXXXX";
    const QString made = ::mkdtemp(dir) != nullptr ? QString(dir) + "/profile.ini" : QString();
    return !made.isEmpty() && ::mkfifo(made.toLocal8Bit().constData(), 0600) == 0 ? made : "";
  }();
  return path;
}

struct UsageCase {
  const char* title;
  QStringList arguments;
  const char* command;  // "" when none is named
  QString says;
};

void PrintTo(const UsageCase& c, std::ostream* os) {
  *os << c.title;
}

class UsageErrors : public ::testing::TestWithParam<UsageCase> {};

TEST_P(UsageErrors, ExitTwoSayWhyAndSendNothing) {
  const UsageCase& c = GetParam();
  const Result text = Ctl(c.arguments);
  EXPECT_EQ(text.exit, 2);
  EXPECT_TRUE(text.out.contains(c.says.toUtf8())) << text.out.toStdString();
  EXPECT_TRUE(text.err.isEmpty()) << text.err.toStdString();

  const Result json = Ctl(QStringList{"--json"} + c.arguments);
  EXPECT_EQ(json.exit, 2);
  EXPECT_TRUE(json.err.isEmpty()) << json.err.toStdString();
  const QJsonObject document = Document(json);
  EXPECT_EQ(document.value("command").toString(), QString(c.command));
  EXPECT_TRUE(document.value("error").toString().contains(c.says)) << json.out.toStdString();
  EXPECT_TRUE(document.value("ports").toArray().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, UsageErrors,
    ::testing::Values(
        UsageCase{"NoCommand", {}, "", "a command is needed"},
        UsageCase{"UnknownCommand", {"frobnicate"}, "", "unknown command 'frobnicate'"},
        UsageCase{"UnknownOption", {"dump", "--frob"}, "dump", "--frob"},
        UsageCase{"PortsTakesNoArgument", {"ports", "x"}, "ports", "x"},
        UsageCase{"GetWithoutKey", {"get"}, "get", "KEY"},
        UsageCase{"KeyWithoutSection", {"get", "baudrate"}, "get", "section.name"},
        UsageCase{"KeyWithEmptyName", {"get", "uart1."}, "get", "section.name"},
        UsageCase{"SetWithoutValue", {"set", "uart1.baudrate"}, "set", "KEY=VALUE"},
        UsageCase{
            "SetOutsideLatin1", {"set", "uart1.mode=5\u20AC"}, "set", "outside Latin-1 (U+20AC)"},
        UsageCase{"SetOverOneFrame", {"set", "s.n=" + QString(251, 'x')}, "set", "over 255 bytes"},
        UsageCase{"DiffWithoutProfile", {"diff"}, "diff", "PROFILE"},
        UsageCase{"ApplyUnreadableProfile",
                  {"apply", "/nonexistent/p.ini"},
                  "apply",
                  "/nonexistent/p.ini: cannot be read"},
        UsageCase{"ProfileThatNeverEnds",
                  {"apply", "/dev/zero"},
                  "apply",
                  "/dev/zero: not a regular file (a character device)"},
        UsageCase{"ProfileFromAFifoWithoutWriter",
                  {"diff", Fifo()},
                  "diff",
                  "not a regular file (a FIFO)"},
        UsageCase{"ProfileThatIsADirectory", {"apply", "/"}, "apply", "/: not a regular file"},
        UsageCase{
            "TcpPortOutOfRange", {"--port", "tcp://127.0.0.1:65536", "detect"}, "detect", "65535"},
        UsageCase{
            "TcpWithoutPort", {"--port", "tcp://127.0.0.1", "detect"}, "detect", "tcp://HOST:PORT"},
        UsageCase{"BareIpv6", {"--port", "tcp://::1:55555", "detect"}, "detect", "brackets"},
        UsageCase{"PortNumberZero", {"--port", "0", "detect"}, "detect", "--port 0"},
        UsageCase{"EmptyPort", {"--port", "", "detect"}, "detect", "--port"},
        UsageCase{"BaudNotANumber", {"--baud", "fast", "detect"}, "detect", "--baud"},
        UsageCase{"NoRequestsInFlight", {"--in-flight", "0", "dump"}, "dump", "--in-flight"},
        UsageCase{"ZeroTimeout", {"--timeout", "0", "dump"}, "dump", "--timeout"},
        UsageCase{"RetriesNotANumber", {"--retries", "some", "dump"}, "dump", "--retries"},
        UsageCase{"UnknownRtk", {"base-profile", "--rtk", "nmea"}, "base-profile", "sbp or rtcm"},
        UsageCase{"FieldOutsideLatin1",
                  {"base-profile", "--lat", "\u03B1"},
                  "base-profile",
                  "outside Latin-1"}),
    [](const auto& info) { return std::string(info.param.title); });

TEST(Profiles, AFaultNamesFileAndLineUnderEitherCommandAndOutput) {
  QTemporaryDir dir;
  const QString path = dir.filePath("site.ini");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("# site\n[uart1]\nbaudrate = 19200\n\nmode = 5\xE2\x82\xAC\n");
  file.close();
  const QString says = path +
                       ": line 5: value of uart1.mode cannot be sent: a character outside "
                       "Latin-1 (U+20AC)";
  for (const QString command : {"diff", "apply"}) {
    const Result text = Ctl({"--port", "/dev/orvane-none", command, path});
    EXPECT_EQ(text.exit, 2);
    EXPECT_TRUE(text.out.contains(says.toUtf8())) << text.out.toStdString();
    const Result json = Ctl({"--json", "--port", "/dev/orvane-none", command, path});
    EXPECT_EQ(json.exit, 2);
    EXPECT_EQ(Document(json).value("error").toString(), says);
  }
}

TEST(Profiles, AGoodProfileGetsAsFarAsThePort) {
  QTemporaryDir dir;
  const QString path = dir.filePath("good.ini");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("[uart1]\nbaudrate = 19200\n");
  file.close();
  EXPECT_EQ(Ctl({"--port", "/dev/orvane-none", "diff", path}).exit, 3);
  EXPECT_EQ(Ctl({"--port", "/dev/orvane-none", "apply", path, "--all", "--no-save"}).exit, 3);
}

struct NoReceiverCase {
  const char* title;
  QStringList arguments;
  QStringList ports;  // as reported, in order
};

void PrintTo(const NoReceiverCase& c, std::ostream* os) {
  *os << c.title;
}

class NoReceiver : public ::testing::TestWithParam<NoReceiverCase> {};

TEST_P(NoReceiver, EveryPortReportsExitThree) {
  const Result json = Ctl(QStringList{"--json"} + GetParam().arguments);
  EXPECT_EQ(json.exit, 3);
  EXPECT_TRUE(json.err.isEmpty());
  const QJsonArray ports = Document(json).value("ports").toArray();
  ASSERT_EQ(ports.size(), GetParam().ports.size()) << json.out.toStdString();
  for (qsizetype i = 0; i < ports.size(); ++i) {
    const QJsonObject port = ports[i].toObject();
    EXPECT_EQ(port.value("port").toString(), GetParam().ports[i]);
    EXPECT_EQ(port.value("exit").toInt(), 3);
    EXPECT_FALSE(port.value("diagnosis").toString().isEmpty());
    EXPECT_FALSE(port.value("saved").toBool());
    if (GetParam().ports[i].startsWith("tcp://")) {
      EXPECT_TRUE(port.value("speed").isNull());
    }
  }
  const Result text = Ctl(GetParam().arguments);
  EXPECT_EQ(text.exit, 3);
  EXPECT_TRUE(text.err.isEmpty());
}

const QString kNone = "/dev/orvane-none";
const QString kClosed = "tcp://127.0.0.1:1";

INSTANTIATE_TEST_SUITE_P(
    Table, NoReceiver,
    ::testing::Values(
        NoReceiverCase{"Detect", {"--port", kNone, "detect"}, {kNone}},
        NoReceiverCase{"ProbeOnePort", {"--port", kNone, "ports", "--probe"}, {kNone}},
        NoReceiverCase{"GetFromTwoPorts",
                       {"--port", kNone, "--port", kClosed, "get", "uart1.baudrate"},
                       {kNone, kClosed}},
        NoReceiverCase{"SetWithOptionsAfterTheCommand",
                       {"set", "uart1.baudrate=19200", "solution.elevation_mask=5", "--no-save",
                        "--port", kClosed, "--baud", "19200", "--timeout", "200"},
                       {kClosed}},
        NoReceiverCase{"DumpOverIpv6",
                       {"--port", "tcp://[::1]:1", "--in-flight", "4", "dump"},
                       {"tcp://[::1]:1"}},
        NoReceiverCase{"CommItemWithoutDevice", {"--port", "32000", "detect"}, {"32000"}}),
    [](const auto& info) { return std::string(info.param.title); });

// The diagnosis of the one port of a detect run.
QString Diagnosis(const QString& port) {
  const Result json = Ctl({"--json", "--port", port, "detect"});
  const QJsonArray ports = Document(json).value("ports").toArray();
  EXPECT_EQ(ports.size(), 1) << json.out.toStdString();
  return ports.isEmpty() ? QString() : ports[0].toObject().value("diagnosis").toString();
}

TEST(Devices, ThatCannotBeOpenedSayWhyBeforeAnythingIsTried) {
  QTemporaryDir dir;
  const QString file = dir.filePath("plain");
  QFile plain(file);
  ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
  plain.close();
  EXPECT_EQ(Diagnosis(kNone), "port cannot be opened: no such device");
  EXPECT_EQ(Diagnosis(file), "port cannot be opened: not a serial device");
  EXPECT_EQ(Diagnosis("32000"), "port cannot be opened: there is no serial port number 32000");
}

TEST(Devices, APseudoTerminalGetsPastTheCheck) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master), 0);
  ASSERT_EQ(::unlockpt(master), 0);
  const QString device = QString::fromLocal8Bit(::ptsname(master));
  EXPECT_FALSE(Diagnosis(device).startsWith("port cannot be opened")) << device.toStdString();
  ::close(master);
}

// A user outside the device's group is told which group to join, or that no group helps.
TEST(Devices, APermissionFaultNamesTheGroupThatMayOpenIt) {
  if (::geteuid() != 0 || QStandardPaths::findExecutable("setpriv").isEmpty()) {
    GTEST_SKIP() << "needs root and setpriv to run the program as another user";
  }
  const QStringList nobody{"--reuid=nobody", "--regid=nogroup", "--clear-groups", ORVANECTL_EXE};
  if (QProcess::execute("setpriv", nobody + QStringList{"--version"}) != 0) {
    GTEST_SKIP() << "the build tree is closed to other users";
  }
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master), 0);
  ASSERT_EQ(::unlockpt(master), 0);
  const std::string device = ::ptsname(master);
  const struct group* dialout = ::getgrnam("dialout");
  ASSERT_NE(dialout, nullptr);
  const auto asNobody = [&] {
    QProcess process;
    process.start("setpriv", {"--reuid=nobody", "--regid=nogroup", "--clear-groups", ORVANECTL_EXE,
                              "--port", QString::fromStdString(device), "detect"});
    EXPECT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 3);
    return process.readAllStandardOutput().toStdString();
  };
  ASSERT_EQ(::chown(device.c_str(), 0, dialout->gr_gid), 0);
  ASSERT_EQ(::chmod(device.c_str(), 0660), 0);
  EXPECT_NE(asNobody().find("permission denied (the device belongs to group dialout: add yourself "
                            "with 'sudo usermod -aG dialout $USER' and log in again)"),
            std::string::npos);
  ASSERT_EQ(::chmod(device.c_str(), 0600), 0);
  EXPECT_NE(asNobody().find("permission denied (no group may open the device"), std::string::npos);
  ::close(master);
}

TEST(Output, GetKeepsStdoutAProfileEvenWhenItFails) {
  const Result text = Ctl({"--port", kNone, "--port", kClosed, "get", "uart1.baudrate"});
  EXPECT_EQ(text.exit, 3);
  EXPECT_FALSE(text.out.isEmpty());
  const auto parsed = transfer::ParseProfile(text.out.toStdString());
  EXPECT_TRUE(parsed.Ok()) << text.out.toStdString();
}

TEST(Ports, ListsAsJsonAndAsText) {
  const Result json = Ctl({"ports", "--json"});
  EXPECT_EQ(json.exit, 0);
  EXPECT_TRUE(json.err.isEmpty());
  const QJsonObject document = Document(json);
  EXPECT_EQ(document.value("command").toString(), "ports");
  QStringList devices;
  for (const auto& entry : document.value("ports").toArray()) {
    const QJsonObject port = entry.toObject();
    devices << port.value("port").toString();
    for (const char* field : {"stable_name", "description", "usb_id", "serial_number", "number"}) {
      EXPECT_TRUE(port.contains(field)) << field;
    }
    const QString usb = port.value("usb_id").toString();
    if (!usb.isEmpty()) {
      EXPECT_TRUE(QRegularExpression("^[0-9a-f]{4}:[0-9a-f]{4}$").match(usb).hasMatch())
          << usb.toStdString();
    }
  }
  const Result text = Ctl({"ports"});
  EXPECT_EQ(text.exit, 0);
  EXPECT_TRUE(text.err.isEmpty());
  for (const QString& device : devices) EXPECT_TRUE(text.out.contains(device.toUtf8()));
}

TEST(Help, ListsEveryCommandAndExitStatus) {
  const Result help = Ctl({"--help"});
  EXPECT_EQ(help.exit, 0);
  for (const char* word : {"ports", "detect", "get KEY", "set KEY=VALUE", "dump", "diff PROFILE",
                           "apply PROFILE", "base-profile", "Exit status", "6  a setting stayed"}) {
    EXPECT_TRUE(help.out.contains(word)) << word;
  }
}

// The rows whose flag is absent and whose window default is empty or 0 are left out: written,
// they would blank the base station.
TEST(BaseProfile, PrintsTheBaseStationRowsAsAProfileThatApplyAccepts) {
  QTemporaryDir dir;
  const QString path = dir.filePath("base.ini");
  const Result text = Ctl({"base-profile", "--ip", "192.168.0.222", "--lat=-33.5", "--no-glonass",
                           "--rtk", "rtcm", "--galileo"});
  ASSERT_EQ(text.exit, 0) << text.out.toStdString();
  EXPECT_TRUE(text.err.isEmpty());
  const auto parsed = transfer::ParseProfile(text.out.toStdString());
  ASSERT_TRUE(parsed.Ok()) << parsed.error->What();
  ASSERT_EQ(parsed.rows.size(), 45u);
  std::map<std::string, std::vector<std::string>> values;
  for (const auto& row : parsed.rows) values[row.section + "." + row.name].push_back(row.value);
  using Values = std::vector<std::string>;
  EXPECT_EQ(values["ethernet.interface_mode"], (Values{"Config", "Active"}));
  EXPECT_EQ(values["ethernet.ip_address"], Values{"192.168.0.222"});
  EXPECT_EQ(values.count("ethernet.gateway"), 0u);
  EXPECT_TRUE(text.out.contains("#   ethernet.gateway (--gateway)"));
  EXPECT_EQ(values["solution.elevation_mask"], Values{"10"});
  EXPECT_EQ(values["surveyed_position.surveyed_lat"], Values{"-33.5"});
  EXPECT_EQ(values["uart0.mode"], Values{"RTCMv3 OUT"});
  EXPECT_EQ(values["tcp_server1.mode"], Values{"RTCMv3 OUT"});
  EXPECT_EQ(values["tcp_server0.mode"], Values{"SBP"});
  EXPECT_EQ(values["solution.enable_glonass"], Values{"False"});
  EXPECT_EQ(values["solution.enable_galileo"], Values{"True"});
  EXPECT_EQ(values["acquisition.sbas_acquisition_enabled"], Values{"True"});
  EXPECT_EQ(values["acquisition.bds2_acquisition_enabled"], Values{"False"});

  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(text.out);
  file.close();
  EXPECT_EQ(Ctl({"--port", kNone, "apply", path, "--dry-run"}).exit, 3);

  const Result json = Ctl({"--json", "base-profile"});
  EXPECT_EQ(json.exit, 0);
  const QJsonObject document = Document(json);
  const QJsonArray rows = document.value("profile").toArray();
  ASSERT_EQ(rows.size(), 43);
  EXPECT_EQ(rows[0].toObject().value("value").toString(), "Config");
  EXPECT_EQ(rows[3].toObject().value("value").toString(), "SBP");
  EXPECT_EQ(document.value("left_out").toArray().size(), 6);
}

}  // namespace
}  // namespace orvane::ctl
