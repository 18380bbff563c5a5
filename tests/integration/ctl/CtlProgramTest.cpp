// SPDX-License-Identifier: Apache-2.0
// orvanectl run as a script runs it: exit status, stdout as text or as one JSON document, and
// stderr saying what went wrong, nothing else. The receiver commands here meet no receiver (a
// device that does not exist, a closed loopback port), so they end with "no receiver" once the
// engine is in as well.

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

// Each way out of main, once: a usage error (stderr only, or the document with "error" under
// --json) and the help.
TEST(Program, SaysAUsageErrorOnStderrAndHelpOnStdout) {
  const Result text = Ctl({"set", "nodot=1"});
  EXPECT_EQ(text.exit, 2);
  EXPECT_TRUE(text.out.isEmpty()) << text.out.toStdString();
  EXPECT_TRUE(text.err.startsWith("orvanectl: set: KEY must be")) << text.err.toStdString();
  EXPECT_TRUE(text.err.contains("Try 'orvanectl --help'."));
  const Result json = Ctl({"--json", "set", "nodot=1"});
  EXPECT_EQ(json.exit, 2);
  EXPECT_TRUE(json.err.startsWith("orvanectl: set: KEY must be")) << json.err.toStdString();
  EXPECT_TRUE(Document(json).value("error").toString().startsWith("set: KEY must be"));
  const Result help = Ctl({"--help"});
  EXPECT_EQ(help.exit, 0);
  EXPECT_TRUE(help.out.contains("Exit status")) << help.out.toStdString();
  EXPECT_TRUE(Ctl({"apply", "--help"}).out.startsWith("Usage: orvanectl [OPTION]... apply"));
}

// A profile that passes every check, for the runs that go as far as the port.
QString GoodProfile() {
  static QTemporaryDir dir;
  const QString path = dir.filePath("good.ini");
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.write("[uart1]\nbaudrate = 19200\n");
  return path;
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
  const QJsonArray ports = Document(json).value("ports").toArray();
  ASSERT_EQ(ports.size(), GetParam().ports.size()) << json.out.toStdString();
  for (qsizetype i = 0; i < ports.size(); ++i) {
    const QJsonObject port = ports[i].toObject();
    EXPECT_EQ(port.value("port").toString(), GetParam().ports[i]);
    EXPECT_EQ(port.value("exit").toInt(), 3);
    EXPECT_FALSE(port.value("diagnosis").toString().isEmpty());
    EXPECT_FALSE(port.value("saved").toBool());
    EXPECT_TRUE(json.err.contains("orvanectl: " + GetParam().ports[i].toUtf8()))
        << json.err.toStdString();
    if (GetParam().ports[i].startsWith("tcp://")) {
      EXPECT_TRUE(port.value("speed").isNull());
    }
  }
  EXPECT_EQ(json.err.count("orvanectl: "), GetParam().ports.size()) << json.err.toStdString();
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
        NoReceiverCase{"CommItemWithoutDevice", {"--port", "32000", "detect"}, {"32000"}},
        NoReceiverCase{"DiffOfAGoodProfile", {"--port", kNone, "diff", GoodProfile()}, {kNone}},
        NoReceiverCase{"ApplyOfAGoodProfile",
                       {"--port", kNone, "apply", GoodProfile(), "--all", "--no-save"},
                       {kNone}}),
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
    return process.readAllStandardError().toStdString();
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

// `get KEY > saved.ini` with the receiver missing leaves an empty file, the reason on stderr.
TEST(Output, GetKeepsStdoutAProfileEvenWhenItFails) {
  const Result alone = Ctl({"--port", kNone, "get", "uart1.baudrate"});
  EXPECT_EQ(alone.exit, 3);
  EXPECT_EQ(alone.out, "");
  EXPECT_TRUE(alone.err.startsWith("orvanectl: /dev/orvane-none: port cannot be opened"))
      << alone.err.toStdString();
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

}  // namespace
}  // namespace orvane::ctl
