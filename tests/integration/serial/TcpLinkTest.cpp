// SPDX-License-Identifier: Apache-2.0
// The TCP link against a QTcpServer on the loopback address, and the Comm menu's port choosing
// between a serial port and a TCP link by device; real time with wide margins.

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <numeric>
#include <optional>
#include <vector>

#include "platform/qt/QtCommPort.h"
#include "platform/qt/QtTcpLink.h"

namespace orvane::platform::qt {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr int kWait = 5000;  // ms; the machine may be loaded

class Server {
 public:
  Server() { Listen(0); }
  bool Listen(quint16 port) {
    if (!server_.listen(QHostAddress::LocalHost, port)) return false;
    port_ = server_.serverPort();
    return true;
  }
  void Stop() { server_.close(); }
  quint16 port() const { return port_; }

  QTcpSocket* Client() {
    if (!QTest::qWaitFor([&] { return server_.hasPendingConnections(); }, kWait)) return nullptr;
    return server_.nextPendingConnection();
  }

 private:
  QTcpServer server_;
  quint16 port_ = 0;
};

Bytes ReadFrom(QTcpSocket& socket, std::size_t count) {
  Bytes got;
  static_cast<void>(QTest::qWaitFor(
      [&] {
        const QByteArray bytes = socket.readAll();
        got.insert(got.end(), bytes.begin(), bytes.end());
        return got.size() >= count;
      },
      kWait));
  return got;
}

class TcpLinkTest : public ::testing::Test {
 protected:
  TcpLinkTest() {
    link_.SetPeer(QStringLiteral("127.0.0.1"), server_.port());
    link_.SetBytesHandler([this](std::span<const std::uint8_t> bytes) {
      received_.insert(received_.end(), bytes.begin(), bytes.end());
    });
  }

  Server server_;
  QtTcpLink link_;
  QSignalSpy failed_{&link_, &QtTcpLink::failed};
  Bytes received_;
};

TEST_F(TcpLinkTest,
       FramesWrittenWhileConnectingGoOutOnceConnectedBytesArriveUnchangedAndClosingIsNoFailure) {
  ASSERT_TRUE(link_.Open());
  ASSERT_FALSE(link_.IsConnected());  // still connecting, yet open
  EXPECT_TRUE(link_.IsOpen());
  const Bytes early{0x55, 0xA4, 0x00, 0x42, 0x00};
  link_.Output(early);
  QTcpSocket* client = server_.Client();
  ASSERT_NE(client, nullptr);
  EXPECT_EQ(ReadFrom(*client, early.size()), early);

  ASSERT_TRUE(QTest::qWaitFor([&] { return link_.IsConnected(); }, kWait));
  // Nagle's wait would hold a frame back until the one before is acknowledged.
  EXPECT_EQ(link_.findChild<QTcpSocket*>()->socketOption(QAbstractSocket::LowDelayOption), 1);
  Bytes all(256);
  std::iota(all.begin(), all.end(), std::uint8_t{0});
  link_.Output(all);
  EXPECT_EQ(ReadFrom(*client, all.size()), all);
  client->write(reinterpret_cast<const char*>(all.data()), static_cast<qint64>(all.size()));
  ASSERT_TRUE(QTest::qWaitFor([&] { return received_.size() >= all.size(); }, kWait));
  EXPECT_EQ(received_, all);
  // Closing on purpose is no failure, and the next open connects.
  link_.Close();
  EXPECT_FALSE(link_.IsOpen());
  ASSERT_TRUE(link_.Open());
  ASSERT_NE(server_.Client(), nullptr);
  QTest::qWait(100);
  EXPECT_EQ(failed_.count(), 0);
}

TEST_F(TcpLinkTest, RefusedConnectionClosesOnceTheNextOpenReportsItAndTheOneAfterTriesAgain) {
  server_.Stop();
  for (int attempt = 1; attempt <= 2; ++attempt) {
    ASSERT_TRUE(link_.Open()) << "connecting counts as open";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !link_.IsOpen(); }, kWait));
    QTest::qWait(300);  // a failure that repeated itself would be counted meanwhile
    EXPECT_EQ(failed_.count(), attempt);
    EXPECT_FALSE(link_.Open()) << "the refusal is reported to the next open";
    EXPECT_FALSE(link_.IsOpen());
  }
  ASSERT_TRUE(server_.Listen(server_.port()));
  ASSERT_TRUE(link_.Open());
  ASSERT_NE(server_.Client(), nullptr);
  ASSERT_TRUE(QTest::qWaitFor([&] { return link_.IsConnected(); }, kWait));
  EXPECT_EQ(failed_.count(), 2);
}

struct DeviceCase {
  const char* device;
  std::optional<TcpPeer> peer;
};

// A port past 65535, no port and IPv6 without brackets: orvanectl's command-line tests.
TEST(TcpDevice, OnlyAHostAndAPortFrom1To65535MakeAPeer) {
  const std::vector<DeviceCase> cases{
      {"tcp://127.0.0.1:55556", TcpPeer{"127.0.0.1", 55556}},
      {"tcp://localhost:1", TcpPeer{"localhost", 1}},
      {"tcp://[::1]:65535", TcpPeer{"::1", 65535}},
      {"tcp://127.0.0.1:0", std::nullopt},
      {"tcp://127.0.0.1:+80", std::nullopt},
      {"tcp://127.0.0.1: 80", std::nullopt},
      {"tcp://127.0.0.1:", std::nullopt},
      {"tcp://:55556", std::nullopt},
      {"tcp://[]:55556", std::nullopt},
      {"tcp://host/path:80", std::nullopt},
      {"/dev/ttyUSB0", std::nullopt},
  };
  for (const DeviceCase& c : cases) {
    const auto parsed = ParseTcpDevice(QString::fromUtf8(c.device));
    const auto* peer = std::get_if<TcpPeer>(&parsed);
    EXPECT_EQ(peer ? std::optional(*peer) : std::nullopt, c.peer) << c.device;
  }
}

// Each case on a port number of its own; its device is named through the environment.
struct ChoiceCase {
  std::int16_t number;
  QString device;
  bool opens;
  bool hasLineSpeed;
};

TEST(QtCommPort, ChoosesTheTcpLinkOrTheSerialPortByDeviceAndKeepsTheLineSettings) {
  Server server;
  const std::vector<ChoiceCase> cases{
      {5, QStringLiteral("tcp://127.0.0.1:%1").arg(server.port()), true, false},
      {6, QStringLiteral("tcp://:%1").arg(server.port()), false, false},
      {7, QStringLiteral("tcp://127.0.0.1:99999"), false, false},
      {8, QStringLiteral("/nonexistent/ttyOrvane"), false, true},
  };
  for (const ChoiceCase& c : cases) {
    SCOPED_TRACE(c.device.toStdString());
    qputenv(QStringLiteral("ORVANE_COM%1").arg(c.number).toLocal8Bit(), c.device.toLocal8Bit());
    QtCommPort port;
    port.SetPortNumber(c.number);
    EXPECT_EQ(port.HasLineSpeed(), c.hasLineSpeed);
    ASSERT_TRUE(port.SetLineSettings(AtBaud(9600)));
    EXPECT_EQ(port.Open(), c.opens);
    EXPECT_EQ(port.lineSettings(), AtBaud(9600));
    if (!c.opens) continue;
    QTcpSocket* client = server.Client();
    ASSERT_NE(client, nullptr);
    port.Output(Bytes{0x55, 0x02});
    EXPECT_EQ(ReadFrom(*client, 2), (Bytes{0x55, 0x02}));
    Bytes received;
    port.SetBytesHandler([&](std::span<const std::uint8_t> bytes) {
      received.insert(received.end(), bytes.begin(), bytes.end());
    });
    client->write("\x55\x03", 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() >= 2; }, kWait));
    EXPECT_EQ(received, (Bytes{0x55, 0x03}));
    EXPECT_FALSE(port.CanReportLineErrors());
    // Closed by the peer: closed, and reported by the next open as a failing serial port is.
    QSignalSpy failed(&port, &QtCommPort::failed);
    client->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !port.IsOpen(); }, kWait));
    QTest::qWait(300);
    port.Output(Bytes{0x55});  // nothing on a closed link, and no second failure
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(failed.count(), 1);
    ASSERT_TRUE(port.Open());
    client = server.Client();
    ASSERT_NE(client, nullptr);
    port.Output(Bytes{0x55, 0x01});
    EXPECT_EQ(ReadFrom(*client, 2), (Bytes{0x55, 0x01}));
    EXPECT_EQ(failed.count(), 1);
  }
}

}  // namespace
}  // namespace orvane::platform::qt
