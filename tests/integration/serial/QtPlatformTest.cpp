// SPDX-License-Identifier: Apache-2.0
// The Qt serial port against a pseudo-terminal whose master side plays the device, and the
// precise timer; real time with wide margins, asserting what happens, never how fast.

#include <gtest/gtest.h>
#include <termios.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <numeric>

#include "ScriptedCounts.h"
#include "platform/qt/QtSerialPort.h"
#include "platform/qt/QtTimer.h"
#include "support/PseudoTerminal.h"

namespace orvane::platform::qt {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr int kWait = 5000;  // ms; the machine may be loaded

// The port opens the terminal through a symlink, so a new one can come back under the same name
// as a re-plugged adapter does; unique per process, as the port locks its device by name.
class QtSerialPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Plug()) << "no pseudo-terminal";
    qputenv("ORVANE_COM1", path_.toLocal8Bit());
    port_.SetPortNumber(1);
    port_.SetBytesHandler([this](std::span<const std::uint8_t> bytes) {
      received_.insert(received_.end(), bytes.begin(), bytes.end());
      events_.push_back("bytes");
    });
    port_.SetLineErrorHandler([this](LineError error) {
      events_.push_back(error == LineError::Framing ? "framing" : "other line error");
    });
    ASSERT_TRUE(port_.Open());
  }
  void TearDown() override { Unplug(); }

  bool Plug() {
    QFile::remove(path_);
    return pty_.Open() && QFile::link(QString::fromStdString(pty_.name()), path_);
  }
  // The device goes: the line hangs up and its node disappears. (A pseudo-terminal's number is
  // soon reused by another test's terminal, so the old path must not stay behind.)
  void Unplug() {
    pty_.Close();
    QFile::remove(path_);
  }

  void Send(const Bytes& bytes) {
    ASSERT_EQ(::write(pty_.master(), bytes.data(), bytes.size()), ssize_t(bytes.size()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return received_.size() >= bytes.size(); }, kWait));
    EXPECT_EQ(std::exchange(received_, {}), bytes);
  }
  Bytes SentByPort(std::size_t count) {
    Bytes got(count);
    std::size_t n = 0;
    const auto all = [&] {
      return (n += std::max<ssize_t>(0, ::read(pty_.master(), got.data() + n, count - n))) == count;
    };
    static_cast<void>(QTest::qWaitFor(all, kWait));
    return got;
  }
  void OpenWithCounters() {
    port_.Close();
    counts_->present = true;
    ASSERT_TRUE(port_.Open());
    EXPECT_TRUE(port_.CanReportLineErrors());
  }
  void WaitForPoll() {
    const int reads = counts_->reads;
    ASSERT_TRUE(QTest::qWaitFor([&] { return counts_->reads > reads; }, kWait));
  }
  // Speed and stop bits as the device sees them; a terminal keeps 8 data bits and no parity.
  using Line = std::pair<speed_t, bool>;
  Line DeviceLine() const {
    termios tio{};
    ::tcgetattr(pty_.master(), &tio);
    return {cfgetospeed(&tio), (tio.c_cflag & CSTOPB) != 0};
  }

  QTemporaryDir dir_;
  QString path_ = dir_.filePath(QStringLiteral("ttyOrvane%1").arg(::getpid()));
  testing::PseudoTerminal pty_;
  // Terminals keep no line-error counters; these stand in for a device's, absent until a test
  // makes them present and opens the port again.
  std::shared_ptr<ScriptedCounts::State> counts_ = std::make_shared<ScriptedCounts::State>();
  QtSerialPort port_{nullptr, std::make_unique<ScriptedCounts>(counts_)};
  Bytes received_;
  std::vector<std::string> events_;
};

// A program that names its devices itself (orvanectl) opens them whatever the number leads to.
TEST_F(QtSerialPortTest, CarriesEveryByteValueBothWaysAndOpensADeviceSetByPath) {
  Bytes all(256);  // 0x55, 0xFF, XON/XOFF, CR, LF and NUL among them
  std::iota(all.begin(), all.end(), std::uint8_t{0});
  Send(all);
  port_.Output(all);
  EXPECT_EQ(SentByPort(all.size()), all);
  EXPECT_FALSE(port_.CanReportLineErrors());  // a terminal keeps no line-error counters

  port_.Close();
  qputenv("ORVANE_COM1", "/nonexistent/orvane");
  EXPECT_FALSE(port_.Open());
  port_.SetDevice(path_.toLocal8Bit());
  ASSERT_TRUE(port_.Open());
  EXPECT_EQ(port_.Diagnosis(), path_);
  Send({0x55, 0x00});
}

// The terminal refuses 7 data bits with even parity after the speed went through.
TEST_F(QtSerialPortTest, LineSettingsReachTheDeviceAndRefusedOnesLeaveItAsItWas) {
  using platform::LineSettings;
  using platform::Parity;
  for (const auto& [settings, line] :
       {std::pair{LineSettings{115200, Parity::None, 8, 2}, Line{B115200, true}},
        {platform::AtBaud(1200), {B1200, false}},
        {platform::kLine19200, {B19200, false}}}) {
    ASSERT_TRUE(port_.SetLineSettings(settings));
    EXPECT_EQ(DeviceLine(), line) << platform::ToText(settings);
  }
  for (const LineSettings& bad :
       {LineSettings{0, Parity::None, 8, 1}, LineSettings{9600, Parity::None, 9, 1},
        LineSettings{9600, Parity::None, 8, 3}, LineSettings{115200, Parity::Even, 7, 1}}) {
    EXPECT_FALSE(port_.SetLineSettings(bad)) << platform::ToText(bad);
    EXPECT_EQ(port_.lineSettings(), platform::kLine19200);
    EXPECT_EQ(DeviceLine(), (Line{B19200, false})) << platform::ToText(bad);
  }
  Send({0x55});
}

TEST_F(QtSerialPortTest, HangUpClosesOnceWithoutABusyLoopAndTheDeviceReopensWhenBack) {
  QSignalSpy closed(&port_, &QtSerialPort::failed);
  QSignalSpy errors(port_.findChild<QSerialPort*>(), &QSerialPort::errorOccurred);
  Unplug();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !port_.IsOpen(); }, kWait));
  QTest::qWait(1000);  // a busy error loop would report thousands meanwhile
  EXPECT_EQ(closed.count(), 1);
  EXPECT_LT(errors.count(), 20);
  EXPECT_FALSE(port_.IsOpen());
  EXPECT_FALSE(port_.Open()) << "the old terminal is gone";

  ASSERT_TRUE(
      port_.SetLineSettings(platform::AtBaud(4800)));  // taken while closed, applied at the open
  ASSERT_TRUE(Plug());
  ASSERT_TRUE(port_.Open());
  EXPECT_EQ(DeviceLine(), (Line{B4800, false}));
  Send({0x55, 0xFF});
  port_.Output(Bytes{0xFF, 0x55});
  EXPECT_EQ(SentByPort(2), (Bytes{0xFF, 0x55}));
  EXPECT_EQ(closed.count(), 1);
}

void RaiseError(QtSerialPort& port, QSerialPort::SerialPortError error) {
  emit port.findChild<QSerialPort*>()->errorOccurred(error);
}

TEST_F(QtSerialPortTest, DeviceFailuresCloseThePortOnceAndOtherErrorsLeaveItUsable) {
  for (const auto error :
       {QSerialPort::TimeoutError, QSerialPort::UnsupportedOperationError,
        QSerialPort::UnknownError, QSerialPort::NotOpenError, QSerialPort::OpenError,
        QSerialPort::PermissionError, QSerialPort::DeviceNotFoundError}) {
    RaiseError(port_, error);
    EXPECT_TRUE(port_.IsOpen()) << error;
    Send({0x55});
  }
  for (const auto error :
       {QSerialPort::ReadError, QSerialPort::WriteError, QSerialPort::ResourceError}) {
    QSignalSpy closed(&port_, &QtSerialPort::failed);
    RaiseError(port_, error);
    EXPECT_FALSE(port_.IsOpen()) << error << ": reads as closed at once";
    ASSERT_TRUE(QTest::qWaitFor([&] { return closed.count() == 1; }, kWait)) << error;
    EXPECT_TRUE(port_.Diagnosis().contains(QStringLiteral("lost"))) << error;
    ASSERT_TRUE(port_.Open()) << error;
  }
  // The close a failure queues must not close the port opened again before it ran.
  QSignalSpy closed(&port_, &QtSerialPort::failed);
  RaiseError(port_, QSerialPort::ResourceError);
  ASSERT_TRUE(port_.Open());
  QTest::qWait(200);
  EXPECT_TRUE(port_.IsOpen());
  EXPECT_EQ(closed.count(), 1);
  Send({0x55, 0x00});
}

TEST_F(QtSerialPortTest, LineErrorsComeBeforeTheirBytesAlsoAloneAndNotAcrossASpeedChange) {
  // Several rounds, each just after a poll of the counters, so that the next poll is far off
  // and the errors must come with the read.
  ASSERT_NO_FATAL_FAILURE(OpenWithCounters());
  for (int round = 0; round < 3; ++round) {
    ASSERT_NO_FATAL_FAILURE(WaitForPoll());
    events_.clear();
    ++counts_->counts.frame;
    Send({0x55});
    EXPECT_EQ(events_, (std::vector<std::string>{"framing", "bytes"})) << "round " << round;
  }
  events_.clear();
  ++counts_->counts.brk;  // a break alone, no bytes: the poll finds it
  ASSERT_TRUE(QTest::qWaitFor([&] { return !events_.empty(); }, kWait));
  EXPECT_EQ(events_, std::vector<std::string>{"framing"});
  // Errors heard at 19200 before the speed changes in the same pass are not counted after it.
  ASSERT_NO_FATAL_FAILURE(WaitForPoll());
  events_.clear();
  counts_->counts.frame += 5;
  ASSERT_TRUE(port_.SetLineSettings(platform::AtBaud(9600)));
  const int later = counts_->reads;
  ASSERT_TRUE(QTest::qWaitFor([&] { return counts_->reads > later + 2; }, kWait));
  EXPECT_TRUE(events_.empty());
}

TEST(QtTimer, FirstTickComesAfterOneIntervalAndStartWhileRunningKeepsThePhase) {
  QtTimer timer;
  timer.SetInterval(std::chrono::milliseconds(300));
  QElapsedTimer clock;
  qint64 firstTick = -1;
  timer.SetTickHandler([&] {
    if (firstTick < 0) firstTick = clock.elapsed();
  });
  clock.start();
  // Started again every 50 ms: a timer that restarted would not tick within the wait.
  while (firstTick < 0 && clock.elapsed() < kWait) {
    timer.Start();
    QTest::qWait(50);
  }
  EXPECT_GE(firstTick, 250);  // a full interval, not at once
  EXPECT_TRUE(timer.IsRunning());
}

}  // namespace
}  // namespace orvane::platform::qt

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);  // the ports, the sockets and the timers need its event loop
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
