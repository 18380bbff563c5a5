// SPDX-License-Identifier: Apache-2.0
#pragma once
// orvane-config put together: the window and a session on the given port and timers, wired to
// each other. Exit or closing the window ends the run at once: every timer stops and the port
// closes, so nothing more is sent.

#include <memory>

#include "platform/SerialLine.h"
#include "platform/Timer.h"
#include "session/Session.h"
#include "window/MainWindow.h"

namespace orvane::window {

// Timers on the Qt event loop.
platform::TimerFactory QtTimers();

class Program {
 public:
  // The port must outlive the program. The session has started; the window is not yet shown.
  Program(platform::CommPort& port, platform::TimerFactory timers, PortDeviceResolver devices = {});
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  void Show();

  MainWindow& window() { return window_; }
  const MainWindow& window() const { return window_; }
  session::Session& session() { return *session_; }

 private:
  MainWindow window_;
  std::unique_ptr<session::Session> session_;
};

}  // namespace orvane::window
