// orvane-config: configures an Orvane GNSS base-station receiver over a serial line. Takes no
// arguments; everything is chosen in the window.

#include <QApplication>

#include "platform/qt/QtSerialPort.h"
#include "window/Program.h"

int main(int argc, char* argv[]) {
  using namespace orvane;
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("orvane-config"));

  // Declared before the program so that it outlives the window and the session; it closes as it
  // goes.
  platform::qt::QtSerialPort port;
  window::Program program(port, window::QtTimers(), &platform::qt::DeviceForPort);
  program.Show();
  return QApplication::exec();
}
