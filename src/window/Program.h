// SPDX-License-Identifier: Apache-2.0
#pragma once
// orvane-config put together: the window and a session on the given port and timers, wired to
// each other. Exit or closing the window ends the run at once: every timer stops and the port
// closes, so nothing more is sent.

#include <QMetaObject>
#include <memory>

#include "platform/LineDiagnosis.h"
#include "platform/CommPort.h"
#include "platform/Timer.h"
#include "platform/qt/LinkTrace.h"
#include "session/Session.h"
#include "window/MainWindow.h"

namespace orvane::platform::qt {
class QtCommPort;
}

namespace orvane::window {

// Timers on the Qt event loop.
platform::TimerFactory QtTimers();

class Program {
 public:
  // The port must outlive the program. The session has started; the window is not yet shown.
  // Every frame on the port can be traced (the orvane.link logging category). The lamp's tooltip
  // says how far the line has got since the port was last opened.
  Program(platform::CommPort& port, platform::TimerFactory timers, PortDeviceResolver devices = {});
  // The same on the program's own port, whose words (its device and, when it cannot be opened,
  // why) lead the lamp's tooltip.
  Program(platform::qt::QtCommPort& port, platform::TimerFactory timers,
          PortDeviceResolver devices = {});
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  void Show();

  MainWindow& window() { return window_; }
  const MainWindow& window() const { return window_; }
  session::Session& session() { return *session_; }

 private:
  void DrawLampToolTip();

  MainWindow window_;
  platform::qt::LinkTrace trace_;
  platform::LineDiagnosis heard_;
  std::unique_ptr<session::Session> session_;
  const platform::qt::QtCommPort* ownPort_ = nullptr;  // when the program has its own
  QMetaObject::Connection portWatch_;
};

}  // namespace orvane::window
