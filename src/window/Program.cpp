// SPDX-License-Identifier: Apache-2.0
#include "window/Program.h"

#include "platform/qt/QtTimer.h"
#include "window/ShownProbe.h"

namespace orvane::window {

platform::TimerFactory QtTimers() {
  return [] { return std::make_unique<platform::qt::QtTimer>(); };
}

Program::Program(platform::CommPort& port, platform::TimerFactory timers,
                 PortDeviceResolver devices)
    : window_(std::move(devices)),
      session_(session::MakeSession({port, std::move(timers), window_})) {
  window_.Wire(session_.get());
  // Once the run ends nothing more is sent and no tick reaches the session, even if other events
  // were already waiting in the same pass of the event loop.
  QObject::connect(&window_, &MainWindow::programEnding, &window_, [this] { session_->End(); });
  session_->Start();
}

Program::~Program() {
  window_.Wire(nullptr);
}

void Program::Show() {
  window_.show();
  ShownProbe::InstallIfAsked(window_);
}

}  // namespace orvane::window
