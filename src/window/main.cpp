// orvane-config: configures an Orvane GNSS base-station receiver over a serial line. Takes no
// arguments; everything is chosen in the window.

#include <QApplication>
#include <QScopeGuard>

#include "platform/qt/QtCommPort.h"
#include "platform/qt/QtTimer.h"
#include "platform/qt/TracingPort.h"
#include "window/DisplayCheck.h"
#include "window/Form.h"
#include "window/MainWindow.h"
#include "window/ProgramSignals.h"
#include "window/ShownProbe.h"

int main(int argc, char* argv[]) {
  using namespace orvane;
  window::RequireDisplay(argc, argv);
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
  platform::qt::TracingPort tracedGPS(GPS);  // QT_LOGGING_RULES="orvane.link.debug=true"
  window::Form form({tracedGPS, Timer1, tmrComError, tmrRead, tmrWrite, window});
  window.Wire(&form);
  QObject::connect(&GPS, &platform::qt::QtCommPort::diagnosisChanged, &window,
                   &window::MainWindow::SetLampToolTip);
  const auto unwire = qScopeGuard([&window] { window.Wire(nullptr); });

  // Once the run ends nothing more is sent and no tick reaches the form, even if other events
  // were already waiting in the same pass of the event loop.
  QObject::connect(&window, &window::MainWindow::programEnding, [&] {
    for (platform::Timer* timer : {&Timer1, &tmrComError, &tmrRead, &tmrWrite}) timer->Stop();
    GPS.Close();
  });

  const window::EndOnSignals endOnSignals([&window] { window.EndProgram(); });

  form.Form_Load();
  window.show();
  window::ShownProbe::InstallIfAsked(window);
  return QApplication::exec();
}
