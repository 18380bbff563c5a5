// orvane-config: configures an Orvane GNSS base-station receiver over a serial line. Takes no
// arguments; everything is chosen in the window.

#include <QApplication>
#include <QScopeGuard>

#include "platform/qt/QtCommPort.h"
#include "platform/qt/QtTimer.h"
#include "window/Form.h"
#include "window/MainWindow.h"
#include "window/ShownProbe.h"

int main(int argc, char* argv[]) {
  using namespace orvane;
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("orvane-config"));

  // Declared before the window and the form so that both are gone before these are torn down;
  // the port closes as it goes.
  platform::qt::QtCommPort GPS;
  platform::qt::QtTimer Timer1;
  platform::qt::QtTimer tmrComError;
  platform::qt::QtTimer tmrRead;
  platform::qt::QtTimer tmrWrite;

  window::MainWindow window(&platform::qt::DeviceForPort);
  window::Form form({GPS, Timer1, tmrComError, tmrRead, tmrWrite, window});
  window.Wire(&form);
  const auto unwire = qScopeGuard([&window] { window.Wire(nullptr); });

  // Once the run ends nothing more is sent and no tick reaches the form, even if other events
  // were already waiting in the same pass of the event loop.
  QObject::connect(&window, &window::MainWindow::programEnding, [&] {
    for (platform::Timer* timer : {&Timer1, &tmrComError, &tmrRead, &tmrWrite}) timer->Stop();
    GPS.Close();
  });

  form.Form_Load();
  window.show();
  window::ShownProbe::InstallIfAsked(window);
  return QApplication::exec();
}
