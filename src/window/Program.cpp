// SPDX-License-Identifier: Apache-2.0
#include "window/Program.h"

#include "platform/qt/QtCommPort.h"
#include "platform/qt/QtTimer.h"
#include "window/ShownProbe.h"

namespace orvane::window {

platform::TimerFactory QtTimers() {
  return [] { return std::make_unique<platform::qt::QtTimer>(); };
}

Program::Program(platform::CommPort& port, platform::TimerFactory timers,
                 PortDeviceResolver devices)
    : window_(std::move(devices)),
      heard_(port, platform::LineDiagnosis::Memory::SinceOpened),
      session_(session::MakeSession({port, std::move(timers), window_})) {
  session_->core().AddObserver(trace_);
  session_->core().AddObserver(heard_);
  window_.Wire(session_.get());
  heard_.SetDiagnosisObserver([this] { DrawLampToolTip(); });
  // Once the run ends nothing more is sent and no tick reaches the session, even if other events
  // were already waiting in the same pass of the event loop.
  QObject::connect(&window_, &MainWindow::programEnding, &window_, [this] { session_->End(); });
  session_->Start();
}

Program::Program(platform::qt::QtCommPort& port, platform::TimerFactory timers,
                 PortDeviceResolver devices)
    : Program(static_cast<platform::CommPort&>(port), std::move(timers), std::move(devices)) {
  ownPort_ = &port;
  DrawLampToolTip();
  portWatch_ = QObject::connect(&port, &platform::qt::QtCommPort::diagnosisChanged, &window_,
                                [this] { DrawLampToolTip(); });
}

Program::~Program() {
  QObject::disconnect(portWatch_);
  heard_.SetDiagnosisObserver(nullptr);
  window_.Wire(nullptr);
}

// What the port says of itself and, while it is open, what the line has brought.
void Program::DrawLampToolTip() {
  const QString port = ownPort_ != nullptr ? ownPort_->Diagnosis() : QString();
  if (!session_->core().port().IsOpen()) {
    window_.SetLampToolTip(port);
    return;
  }
  const QString line = QString::fromStdString(heard_.Diagnosis());
  window_.SetLampToolTip(port.isEmpty() ? line : port + QStringLiteral(": ") + line);
}

void Program::Show() {
  window_.show();
  ShownProbe::InstallIfAsked(window_);
}

}  // namespace orvane::window
