// SPDX-License-Identifier: Apache-2.0
// Which device a port number opens, device paths that are not UTF-8, and the words for a device
// that cannot be opened.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "platform/qt/PortDevices.h"
#include "platform/qt/QtSerialPort.h"
#include "support/PseudoTerminal.h"

namespace orvane::platform::qt {
namespace {

constexpr int kWait = 5000;  // ms

struct OrderCase {
  const char* name;
  QStringList listed;   // as the system lists them, in its order
  QStringList ordered;  // port 1, 2, ...
};

TEST(PortOrder, NumbersUsbAdaptersFirstThenByNameWithNumbersAsNumbers) {
  const OrderCase cases[] = {
      {"NoPorts", {}, {}},
      {"UsbBeforeTheBoardsOwn", {"ttyS0", "ttyS1", "ttyUSB0"}, {"ttyUSB0", "ttyS0", "ttyS1"}},
      {"AcmIsUsbToo", {"ttyS0", "ttyACM0"}, {"ttyACM0", "ttyS0"}},
      {"NumbersAsNumbers",
       {"ttyUSB10", "ttyS10", "ttyUSB2", "ttyS9", "ttyACM1"},
       {"ttyACM1", "ttyUSB2", "ttyUSB10", "ttyS9", "ttyS10"}},
      {"SameNumberByName", {"ttyUSB1", "ttyACM1", "ttyACM0"}, {"ttyACM0", "ttyACM1", "ttyUSB1"}}};
  for (const OrderCase& c : cases) {
    QList<ListedPort> ports;
    for (const QString& name : c.listed) ports.append({name, QStringLiteral("/dev/") + name});
    const auto n = static_cast<std::int16_t>(c.ordered.size());
    for (std::int16_t i = 1; i <= n; ++i) {
      EXPECT_EQ(NthPort(ports, i), QStringLiteral("/dev/") + c.ordered[i - 1])
          << c.name << " " << i;
    }
    EXPECT_EQ(NthPort(ports, static_cast<std::int16_t>(n + 1)), QString()) << c.name;
    EXPECT_EQ(NthPort(ports, 0), QString()) << c.name;
  }
}

// Paths that are not UTF-8 are shown escaped, and opened byte for byte. Missing, plain and busy
// devices are told through real ports below; a file that is none of those keeps the port's words.
TEST(PortDevices, NamesDevicesByteForByteAndShowsThemReadably) {
  EXPECT_EQ(ReadablePath("/dev/ttyUSB0"), QStringLiteral("/dev/ttyUSB0"));
  EXPECT_EQ(ReadablePath("/dev/serial/by-id/usb-Orvane_\xc3\xa9"),
            QStringLiteral("/dev/serial/by-id/usb-Orvane_\u00e9"));
  EXPECT_EQ(ReadablePath("/dev/tty\xe9\n"), QStringLiteral("/dev/tty\\xe9\\x0a"));
  qputenv("ORVANE_COM7", QByteArray("/dev/tty\xe9"));
  EXPECT_EQ(DevicePathForPort(7), QByteArray("/dev/tty\xe9"));
  EXPECT_EQ(DeviceForPort(7), QStringLiteral("/dev/tty\\xe9"));
  qunsetenv("ORVANE_COM7");
  EXPECT_EQ(OpenFailureReason("/dev/null", false, "something else"), "something else");
}

// A pseudo-terminal reached through a link whose name is not UTF-8, as a udev rule may name one.
class OddlyNamedDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty_.Open());
    path_ = QFile::encodeName(devices_.path()) + "/ttyOrvane\xe9\xff";
    ASSERT_EQ(::symlink(pty_.name().c_str(), path_.constData()), 0);
    qputenv("ORVANE_COM2", path_);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime_.path()));
  }
  void TearDown() override { qunsetenv("ORVANE_COM2"); }

  QTemporaryDir devices_;
  QTemporaryDir runtime_;
  QByteArray path_;
  testing::PseudoTerminal pty_;
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
    ASSERT_EQ(::write(pty_.master(), "\x55\xe9", 2), 2);
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
  qputenv("ORVANE_COM2", QByteArray::fromStdString(pty_.name()));
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
