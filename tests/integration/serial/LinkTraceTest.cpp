// SPDX-License-Identifier: Apache-2.0
// The link trace: frames sent and frames received appear in words as debug messages of
// orvane.link when its rules turn it on, and nothing appears otherwise; the logic gets the same
// messages either way.

#include <gtest/gtest.h>

#include <QLoggingCategory>

#include "link/SettingsMessages.h"
#include "platform/fakes/FakeSerialPort.h"
#include "platform/fakes/VirtualClock.h"
#include "platform/qt/LinkTrace.h"
#include "session/LinkCore.h"
#include "support/Frames.h"

namespace orvane::platform::qt {
namespace {

using Bytes = std::vector<std::uint8_t>;

QStringList traced;
QtMessageHandler previous = nullptr;

void Capture(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (context.category && QLatin1String(context.category) == QLatin1String("orvane.link")) {
    EXPECT_EQ(type, QtDebugMsg);
    traced.append(message);
  } else if (previous) {
    previous(type, context, message);
  }
}

TEST(LinkTrace, ShowsEveryFrameBothWaysInWordsOnlyWhenTurnedOn) {
  for (const bool on : {true, false}) {
    traced.clear();
    previous = qInstallMessageHandler(Capture);
    // Off unless turned on, as in a run without QT_LOGGING_RULES.
    QLoggingCategory::setFilterRules(on ? QStringLiteral("orvane.link.debug=true") : QString());
    fakes::VirtualClock clock;
    fakes::FakeSerialPort port{clock};
    session::LinkCore core{port, clock.TimerFactory()};
    LinkTrace trace;
    int heartbeats = 0, answers = 0;
    core.AddObserver(trace);
    core.SetListeners({.heartbeat = [&] { ++heartbeats; },
                       .readAnswer = [&](const link::Setting&) { ++answers; }});
    LinePort& line = core.port();
    // Closed: nothing goes out, nothing is traced.
    EXPECT_EQ(link::SendSettingWrite(line, "uart1", "baudrate", "19200"), link::SendResult::Sent);
    ASSERT_TRUE(line.Open());
    EXPECT_EQ(link::SendSettingWrite(line, "uart1", "baudrate", "19200"), link::SendResult::Sent);
    link::SendSettingsSave(line);
    Bytes spoiled = orvane::testing::HeartbeatFrame();
    spoiled.back() ^= 0xFF;
    for (const Bytes& bytes :
         {Bytes{0x00, 0x13}, orvane::testing::HeartbeatFrame(), spoiled,
          orvane::testing::ReadResponseFrame("ethernet", "ip_address", "192.168.0.222")}) {
      port.Inject(bytes);
    }
    EXPECT_EQ(heartbeats, 1);
    EXPECT_EQ(answers, 1);
    const QStringList expected{QStringLiteral("tx settings write uart1.baudrate = 19200"),
                               QStringLiteral("tx settings save"), QStringLiteral("rx heartbeat"),
                               QStringLiteral("rx settings read response ethernet.ip_address = "
                                              "192.168.0.222")};
    EXPECT_EQ(traced, on ? expected : QStringList{});
    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(previous);
  }
}

}  // namespace
}  // namespace orvane::platform::qt
