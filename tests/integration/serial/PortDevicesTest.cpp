// SPDX-License-Identifier: Apache-2.0
// Which device a port number opens, device paths that are not UTF-8, and the words for a device
// that cannot be opened.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>

#include "platform/qt/PortDevices.h"
#include "platform/qt/QtSerialPort.h"

namespace orvane::platform::qt {
namespace {

constexpr int kWait = 5000;  // ms

struct OrderCase {
  const char* name;
  QStringList listed;   // as the system lists them, in its order
  QStringList ordered;  // port 1, 2, ...
};

void PrintTo(const OrderCase& c, std::ostream* os) {
  *os << c.name;
}

class PortOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(PortOrder, NumbersUsbAdaptersFirstThenByNameWithNumbersAsNumbers) {
  const OrderCase& c = GetParam();
  QList<ListedPort> ports;
  for (const QString& name : c.listed) ports.append({name, QStringLiteral("/dev/") + name});
  for (qsizetype i = 0; i < c.ordered.size(); ++i) {
    EXPECT_EQ(NthPort(ports, static_cast<std::int16_t>(i + 1)),
              QStringLiteral("/dev/") + c.ordered[i])
        << "port " << i + 1;
  }
  EXPECT_EQ(NthPort(ports, static_cast<std::int16_t>(c.ordered.size() + 1)), QString());
  EXPECT_EQ(NthPort(ports, 0), QString());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PortOrder,
    ::testing::Values(OrderCase{"NoPorts", {}, {}},
                      OrderCase{"UsbBeforeTheBoardsOwn",
                                {"ttyS0", "ttyS1", "ttyUSB0"},
                                {"ttyUSB0", "ttyS0", "ttyS1"}},
                      OrderCase{"AcmIsUsbToo", {"ttyS0", "ttyACM0"}, {"ttyACM0", "ttyS0"}},
                      OrderCase{"NumbersAsNumbers",
                                {"ttyUSB10", "ttyS10", "ttyUSB2", "ttyS9", "ttyACM1"},
                                {"ttyACM1", "ttyUSB2", "ttyUSB10", "ttyS9", "ttyS10"}},
                      OrderCase{"SameNumberByName",
                                {"ttyUSB1", "ttyACM1", "ttyACM0"},
                                {"ttyACM0", "ttyACM1", "ttyUSB1"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PortDevices, PathsThatAreNotUtf8AreShownEscaped) {
  EXPECT_EQ(ReadablePath("/dev/ttyUSB0"), QStringLiteral("/dev/ttyUSB0"));
  EXPECT_EQ(ReadablePath("/dev/serial/by-id/usb-Orvane_\xc3\xa9"),
            QStringLiteral("/dev/serial/by-id/usb-Orvane_\u00e9"));
  EXPECT_EQ(ReadablePath("/dev/tty\xe9\n"), QStringLiteral("/dev/tty\\xe9\\x0a"));
}

TEST(PortDevices, TheEnvironmentNamesThePortsDeviceByteForByte) {
  qputenv("ORVANE_COM7", QByteArray("/dev/tty\xe9"));
  EXPECT_EQ(DevicePathForPort(7), QByteArray("/dev/tty\xe9"));
  EXPECT_EQ(DeviceForPort(7), QStringLiteral("/dev/tty\\xe9"));
  qunsetenv("ORVANE_COM7");
}

TEST(PortDevices, TheReasonAnOpenFailedComesFromTheFile) {
  QTemporaryDir dir;
  const QByteArray missing = QFile::encodeName(dir.filePath(QStringLiteral("ttyGone")));
  const QByteArray plain = QFile::encodeName(dir.filePath(QStringLiteral("notes")));
  QFile(QString::fromUtf8(plain)).open(QIODevice::WriteOnly);
  const QString other = QStringLiteral("something else");
  EXPECT_EQ(OpenFailureReason(missing, false, other), QStringLiteral("no such device"));
  EXPECT_EQ(OpenFailureReason(plain, false, other), QStringLiteral("not a serial device"));
  EXPECT_EQ(OpenFailureReason("/dev/null", true, other),
            QStringLiteral("busy: another program has it open"));
  EXPECT_EQ(OpenFailureReason("/dev/null", false, other), other);
}

// A pseudo-terminal reached through a link whose name is not UTF-8, as a udev rule may name one.
class OddlyNamedDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    int slave = -1;
    char name[128] = {};
    ASSERT_EQ(::openpty(&master_, &slave, nullptr, nullptr, nullptr), 0);
    ASSERT_EQ(::ttyname_r(slave, name, sizeof name), 0);
    ::close(slave);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    std::strcpy(terminal_, name);
    path_ = QFile::encodeName(devices_.path()) + "/ttyOrvane\xe9\xff";
    ASSERT_EQ(::symlink(name, path_.constData()), 0);
    qputenv("ORVANE_COM2", path_);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime_.path()));
  }
  void TearDown() override {
    ::close(master_);
    qunsetenv("ORVANE_COM2");
  }

  QTemporaryDir devices_;
  QTemporaryDir runtime_;
  QByteArray path_;
  char terminal_[128] = {};
  int master_ = -1;
};

TEST_F(OddlyNamedDevice, OpensAndCarriesBytesAndItsLinkGoesWithThePort) {
  std::vector<std::uint8_t> received;
  {
    QtSerialPort port;
    port.SetPortNumber(2);
    port.SetBytesHandler([&](std::span<const std::uint8_t> bytes) {
      received.insert(received.end(), bytes.begin(), bytes.end());
    });
    ASSERT_TRUE(port.Open()) << port.Diagnosis().toStdString();
    EXPECT_TRUE(port.Diagnosis().endsWith(QStringLiteral("/ttyOrvane\\xe9\\xff")))
        << port.Diagnosis().toStdString();
    ASSERT_EQ(::write(master_, "\x55\xe9", 2), 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() >= 2; }, kWait));
    EXPECT_EQ(received, (std::vector<std::uint8_t>{0x55, 0xe9}));
    port.Close();
    ASSERT_TRUE(port.Open()) << "opens again through the same way";
  }
  EXPECT_TRUE(QDir(runtime_.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System))
      << "nothing is left in the runtime directory";
}

TEST_F(OddlyNamedDevice, ASecondPortOnTheSameDeviceIsToldItIsBusy) {
  // By its plain name: the lock file that tells of the first is named after the path opened.
  qputenv("ORVANE_COM2", QByteArray(terminal_));
  QtSerialPort first;
  QtSerialPort second;
  first.SetPortNumber(2);
  second.SetPortNumber(2);
  ASSERT_TRUE(first.Open());
  EXPECT_FALSE(second.Open());
  EXPECT_TRUE(second.Diagnosis().endsWith(QStringLiteral(": busy: another program has it open")))
      << second.Diagnosis().toStdString();
}

TEST(PortDiagnosis, TellsTheDeviceAndWhyItCannotBeOpened) {
  QTemporaryDir dir;
  const QString missing = dir.filePath(QStringLiteral("ttyGone"));
  qputenv("ORVANE_COM3", QFile::encodeName(missing));
  QtSerialPort port;
  QSignalSpy changes(&port, &QtSerialPort::diagnosisChanged);
  port.SetPortNumber(3);
  EXPECT_FALSE(port.Open());
  EXPECT_EQ(port.Diagnosis(), missing + QStringLiteral(": no such device"));
  EXPECT_FALSE(port.Open());
  EXPECT_EQ(changes.count(), 1) << "the same reason again is no change";

  const QString plain = dir.filePath(QStringLiteral("notes"));
  QFile(plain).open(QIODevice::WriteOnly);
  qputenv("ORVANE_COM3", QFile::encodeName(plain));
  EXPECT_FALSE(port.Open());
  EXPECT_EQ(port.Diagnosis(), plain + QStringLiteral(": not a serial device"));
  EXPECT_EQ(changes.count(), 2);
  qunsetenv("ORVANE_COM3");
}

}  // namespace
}  // namespace orvane::platform::qt
