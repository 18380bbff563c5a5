// SPDX-License-Identifier: Apache-2.0
// The link trace on a pseudo-terminal: frames sent and frames received appear in words as debug
// messages of orvane.link when its rules turn it on, and nothing appears otherwise; the logic
// gets the same bytes either way.

#include <gtest/gtest.h>

#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTest>

#include "link/SettingsMessages.h"
#include "platform/qt/QtSerialPort.h"
#include "platform/qt/LinkTrace.h"
#include "platform/qt/QtTimer.h"
#include "session/LinkCore.h"
#include "support/Frames.h"
#include "support/PseudoTerminal.h"

namespace orvane::platform::qt {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr int kWait = 5000;  // ms

QStringList traced;
QtMessageHandler previous = nullptr;

void Capture(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (context.category && QLatin1String(context.category) == QLatin1String("orvane.link")) {
    EXPECT_EQ(type, QtDebugMsg);
    traced.append(message);
    return;
  }
  if (previous) previous(type, context, message);
}

class LinkTraceOnPty : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty_.Open());
    ASSERT_TRUE(QFile::link(QString::fromStdString(pty_.name()), link_));
    qputenv("ORVANE_COM4", QFile::encodeName(link_));
    traced.clear();
    previous = qInstallMessageHandler(Capture);
    // Off unless turned on, as in a run without QT_LOGGING_RULES.
    QLoggingCategory::setFilterRules(GetParam() ? QStringLiteral("orvane.link.debug=true")
                                                : QString());
    core_.AddObserver(trace_);
    core_.SetListeners({.heartbeat = [this] { ++heartbeats_; },
                        .readAnswer = [this](const link::Setting&) { ++answers_; }});
    serial_.SetPortNumber(4);
  }
  void TearDown() override {
    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(previous);
    qunsetenv("ORVANE_COM4");
  }

  QTemporaryDir dir_;
  QString link_ = dir_.filePath(QStringLiteral("ttyTrace"));
  orvane::testing::PseudoTerminal pty_;
  QtSerialPort serial_;
  session::LinkCore core_{serial_, [] { return std::make_unique<QtTimer>(); }};
  LinePort& traced_ = core_.port();
  LinkTrace trace_;
  int heartbeats_ = 0;
  int answers_ = 0;
};

TEST_P(LinkTraceOnPty, ShowsEveryFrameBothWaysInWordsOnlyWhenTurnedOn) {
  const bool on = GetParam();
  EXPECT_EQ(link::SendSettingWrite(traced_, "uart1", "baudrate", "19200"),
            link::SendResult::Sent);  // closed: nothing goes out, nothing is traced
  ASSERT_TRUE(traced_.Open());
  EXPECT_EQ(link::SendSettingWrite(traced_, "uart1", "baudrate", "19200"), link::SendResult::Sent);
  link::SendSettingsSave(traced_);

  // Noise, a heartbeat split across two writes, a spoiled frame, a read response.
  Bytes heartbeat = orvane::testing::HeartbeatFrame();
  Bytes spoiled = orvane::testing::HeartbeatFrame();
  spoiled.back() ^= 0xFF;
  const Bytes response =
      orvane::testing::ReadResponseFrame("ethernet", "ip_address", "192.168.0.222");
  Bytes line{0x00, 0x13};
  line.insert(line.end(), heartbeat.begin(), heartbeat.begin() + 3);
  const Bytes rest = [&] {
    Bytes b(heartbeat.begin() + 3, heartbeat.end());
    b.insert(b.end(), spoiled.begin(), spoiled.end());
    b.insert(b.end(), response.begin(), response.end());
    return b;
  }();
  for (const Bytes& part : {line, rest}) {
    ASSERT_EQ(::write(pty_.master(), part.data(), part.size()), ssize_t(part.size()));
  }
  ASSERT_TRUE(QTest::qWaitFor([&] { return answers_ == 1; }, kWait));
  EXPECT_EQ(heartbeats_, 1) << "the logic gets every message, traced or not";

  const QStringList expected{QStringLiteral("tx settings write uart1.baudrate = 19200"),
                             QStringLiteral("tx settings save"), QStringLiteral("rx heartbeat"),
                             QStringLiteral("rx settings read response ethernet.ip_address = "
                                            "192.168.0.222")};
  EXPECT_EQ(traced, on ? expected : QStringList{});
}

INSTANTIATE_TEST_SUITE_P(Rules, LinkTraceOnPty, ::testing::Values(true, false),
                         [](const auto& info) { return std::string(info.param ? "On" : "Off"); });

}  // namespace
}  // namespace orvane::platform::qt
