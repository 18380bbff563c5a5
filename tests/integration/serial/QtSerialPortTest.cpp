// The Qt serial port against a real pseudo-terminal: bytes both ways, line settings as the
// device sees them, the device hanging up and coming back, and the failures that must leave the
// port closed.

#include <gtest/gtest.h>
#include <termios.h>

#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>
#include <numeric>

#include "PtyDevice.h"
#include "platform/qt/QtSerialPort.h"

namespace orvane::platform::qt {
namespace {

using orvane::testing::PtyDevice;
using namespace std::chrono_literals;

constexpr int kWait = 5000;  // ms; generous, the machine may be loaded

std::vector<std::uint8_t> AllByteValues() {
  std::vector<std::uint8_t> bytes(256);
  std::iota(bytes.begin(), bytes.end(), std::uint8_t{0});
  return bytes;
}

class QtSerialPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(device_.Plug()) << "no pseudo-terminal";
    qputenv("ORVANE_COM1", device_.path().toLocal8Bit());
    port_.SetCommPort(1);
    port_.SetCommHandler([this](const link::CommEvent& event) {
      if (event.code == link::comEvReceive) {
        received_.insert(received_.end(), event.input.begin(), event.input.end());
        ++receiveEvents_;
      } else {
        codes_.push_back(event.code);
      }
    });
  }
  void TearDown() override { qunsetenv("ORVANE_COM1"); }

  // Every serial port error Qt reports, to see a tight error loop.
  QSignalSpy ErrorSpy() {
    return QSignalSpy(port_.findChild<QSerialPort*>(), &QSerialPort::errorOccurred);
  }

  std::vector<std::uint8_t> ReadFromPort(std::size_t count) {
    std::vector<std::uint8_t> got;
    static_cast<void>(QTest::qWaitFor(
        [&] {
          const auto more = device_.ReadAvailable();
          got.insert(got.end(), more.begin(), more.end());
          return got.size() >= count;
        },
        kWait));
    return got;
  }

  PtyDevice device_;
  QtSerialPort port_;
  std::vector<std::uint8_t> received_;
  int receiveEvents_ = 0;
  std::vector<std::int16_t> codes_;  // every event other than a receive
};

TEST_F(QtSerialPortTest, CarriesEveryByteValueBothWaysUnchanged) {
  ASSERT_TRUE(port_.Open());
  const auto bytes = AllByteValues();  // 0x55, 0xFF, XON/XOFF, CR, LF, NUL among them

  ASSERT_TRUE(device_.Write(bytes));
  ASSERT_TRUE(QTest::qWaitFor([&] { return received_.size() >= bytes.size(); }, kWait));
  EXPECT_EQ(received_, bytes);

  port_.Output(bytes);
  EXPECT_EQ(ReadFromPort(bytes.size()), bytes);
  EXPECT_TRUE(codes_.empty());
}

TEST_F(QtSerialPortTest, DeliversWaitingBytesAsOneReceiveEvent) {
  ASSERT_TRUE(port_.Open());
  // Written before the event loop runs: all of it waits, and one event carries it all.
  ASSERT_TRUE(device_.Write({0x55, 0xFF, 0xFF, 0x42, 0x00, 0x00}));
  QTest::qWait(200);
  ASSERT_TRUE(QTest::qWaitFor([&] { return received_.size() >= 6; }, kWait));
  EXPECT_EQ(receiveEvents_, 1);
}

struct LineCase {
  const char* text;
  speed_t speed;
  bool twoStop;
};

// A pseudo-terminal keeps 8 data bits and no parity whatever it is told (Linux refuses the
// change), so parity and data bits are seen here only as a refused change.
TEST_F(QtSerialPortTest, LineSettingsReachTheDeviceWhileOpenAndAtOpen) {
  const auto check = [&](const LineCase& c) {
    const termios tio = device_.LineSettings();
    EXPECT_EQ(cfgetospeed(&tio), c.speed) << c.text;
    EXPECT_EQ(cfgetispeed(&tio), c.speed) << c.text;
    EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, c.twoStop) << c.text;
    EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u) << c.text;
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | PARMRK), 0u) << c.text;
  };

  ASSERT_TRUE(port_.SetSettings("4800,N,8,1"));  // closed: applied at open
  ASSERT_TRUE(port_.Open());
  check({"4800,N,8,1", B4800, false});
  for (const LineCase& c :
       {LineCase{"9600,N,8,1", B9600, false}, LineCase{"115200,N,8,2", B115200, true},
        LineCase{"1200,N,8,1", B1200, false}, LineCase{"19200,N,8,1", B19200, false}}) {
    ASSERT_TRUE(port_.SetSettings(c.text));
    EXPECT_EQ(port_.Settings(), c.text);
    check(c);
  }
  EXPECT_TRUE(port_.IsOpen());
}

// Texts that do not parse, and one the device refuses after its speed already went through:
// each is refused, and the port keeps its settings, its speed and its traffic.
TEST_F(QtSerialPortTest, RefusedSettingsLeaveThePortAsItWas) {
  ASSERT_TRUE(port_.SetSettings("9600,N,8,1"));
  ASSERT_TRUE(port_.Open());
  for (const char* bad :
       {"", "9600", "9600,N,8", "9600,N,8,1,", "abc,N,8,1", "0,N,8,1", "-9600,N,8,1", "9600,X,8,1",
        "9600,n,8,1", "9600,N,9,1", "9600,N,8,3", " 9600,N,8,1", "115200,E,7,1"}) {
    EXPECT_FALSE(port_.SetSettings(bad)) << '"' << bad << '"';
    EXPECT_EQ(port_.Settings(), "9600,N,8,1");
    const termios tio = device_.LineSettings();
    EXPECT_EQ(cfgetospeed(&tio), speed_t{B9600}) << '"' << bad << '"';
    EXPECT_TRUE(port_.IsOpen());
  }
  ASSERT_TRUE(device_.Write({0x55}));
  EXPECT_TRUE(QTest::qWaitFor([&] { return received_.size() == 1; }, kWait));
}

TEST_F(QtSerialPortTest, PseudoTerminalCannotReportLineErrors) {
  ASSERT_TRUE(port_.Open());
  EXPECT_FALSE(port_.CanReportLineErrors());
  ASSERT_TRUE(device_.Write({0x55, 0x00}));
  QTest::qWait(300);  // a few polls' worth, had one been started
  EXPECT_TRUE(codes_.empty());
}

TEST_F(QtSerialPortTest, HangUpClosesThePortOnceWithoutABusyLoop) {
  ASSERT_TRUE(port_.Open());
  QSignalSpy failed(&port_, &QtSerialPort::failed);
  QSignalSpy errors = ErrorSpy();

  device_.Unplug();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !port_.IsOpen(); }, kWait));
  QTest::qWait(1000);  // a tight error loop would report thousands in this window

  EXPECT_FALSE(port_.IsOpen());
  EXPECT_EQ(failed.count(), 1);
  EXPECT_LT(errors.count(), 20);
  QStringList seen;
  for (const auto& error : errors) seen << QString::number(error.at(0).toInt());
  ::testing::Test::RecordProperty("errors", seen.join(QLatin1Char(' ')).toStdString());
  port_.Close();  // harmless now
  EXPECT_FALSE(port_.IsOpen());
  EXPECT_EQ(failed.count(), 1);
}

TEST_F(QtSerialPortTest, ReopensWhenTheDeviceIsBackBehindTheSamePath) {
  ASSERT_TRUE(port_.Open());
  device_.Unplug();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !port_.IsOpen(); }, kWait));

  EXPECT_FALSE(port_.Open()) << "the old terminal is gone";
  EXPECT_FALSE(port_.IsOpen());

  ASSERT_TRUE(device_.Plug());
  ASSERT_TRUE(port_.Open());
  ASSERT_TRUE(device_.Write({0x55, 0xFF}));
  ASSERT_TRUE(QTest::qWaitFor([&] { return received_.size() >= 2; }, kWait));
  EXPECT_EQ(received_, (std::vector<std::uint8_t>{0x55, 0xFF}));
  port_.Output(std::vector<std::uint8_t>{0xFF, 0x55});
  EXPECT_EQ(ReadFromPort(2), (std::vector<std::uint8_t>{0xFF, 0x55}));
}

TEST_F(QtSerialPortTest, FailedOpensLeaveThePortClosed) {
  QtSerialPort other;
  other.SetCommPort(1);
  ASSERT_TRUE(port_.Open());
  EXPECT_FALSE(other.Open()) << "a port in use";
  EXPECT_FALSE(other.IsOpen());
  EXPECT_TRUE(port_.IsOpen());

  for (const char* device : {"/nonexistent/ttyOrvane", ""}) {
    qputenv("ORVANE_COM2", device);
    other.SetCommPort(2);
    EXPECT_FALSE(other.Open()) << '"' << device << '"';
    EXPECT_FALSE(other.IsOpen());
    other.Output(std::vector<std::uint8_t>{0x55});  // a closed port drops it
    other.Close();
  }
  qunsetenv("ORVANE_COM2");
}

TEST_F(QtSerialPortTest, CloseThenOpenAgainOnTheSameDevice) {
  port_.Close();  // harmless when closed
  ASSERT_TRUE(port_.Open());
  EXPECT_TRUE(port_.Open()) << "opening an open port keeps it";
  port_.Close();
  EXPECT_FALSE(port_.IsOpen());
  ASSERT_TRUE(port_.Open());
  ASSERT_TRUE(device_.Write({0x01}));
  EXPECT_TRUE(QTest::qWaitFor([&] { return received_.size() == 1; }, kWait));
}

TEST(DeviceForPort, TakesTheEnvironmentFirst) {
  qputenv("ORVANE_COM3", "/dev/ttyExample");
  EXPECT_EQ(DeviceForPort(3), QStringLiteral("/dev/ttyExample"));
  qunsetenv("ORVANE_COM3");
  EXPECT_TRUE(DeviceForPort(0).isEmpty());
  EXPECT_TRUE(DeviceForPort(8000).isEmpty());
}

}  // namespace
}  // namespace orvane::platform::qt
