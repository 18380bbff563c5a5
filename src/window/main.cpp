// SPDX-License-Identifier: Apache-2.0
// orvane-config: configures an Orvane GNSS base-station receiver over a serial line. Takes no
// arguments; everything is chosen in the window.

#include <QApplication>

#include "platform/qt/QtCommPort.h"
#include "window/DisplayCheck.h"
#include "window/Program.h"
#include "window/ProgramSignals.h"

int main(int argc, char* argv[]) {
  using namespace orvane;
  window::RequireDisplay(argc, argv);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("orvane-config"));

  // Declared before the program so that it outlives the window and the session; it closes as it
  // goes.
  platform::qt::QtCommPort port;
  window::Program program(port, window::QtTimers(), &platform::qt::DeviceForPort);
  // SIGINT and SIGTERM end the run as Exit does, so the port closes and its lock goes.
  const window::EndOnSignals endOnSignals([&program] { program.window().EndProgram(); });
  program.Show();
  return QApplication::exec();
}
