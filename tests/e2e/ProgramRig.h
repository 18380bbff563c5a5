#pragma once
// The whole program in the test process, put together as orvane-config puts it together: the
// window, the form, the Qt serial port and the four Qt timers, with COM port 1 mapped to the
// simulator's link. The operator's side: click buttons, type into fields, tick boxes, and look
// at the status line (the lamp's colour as painted, the caption as shown).

#include <QCheckBox>
#include <QColor>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <string>

#include "SimProcess.h"
#include "platform/qt/QtSerialPort.h"
#include "platform/qt/QtTimer.h"
#include "window/Form.h"
#include "window/MainWindow.h"

namespace orvane::testing {

inline const QColor kRed(255, 0, 0);
inline const QColor kGreen(0, 255, 0);
inline const QColor kYellow(255, 255, 0);

// COM port 1 opens this device; set before anything can open the port.
struct PortMapping {
  explicit PortMapping(const QString& device) { qputenv("ORVANE_COM1", device.toLocal8Bit()); }
};

class ProgramRig {
 public:
  explicit ProgramRig(const QString& device) : mapping_(device) {
    window.Wire(&form);
    QObject::connect(&window, &window::MainWindow::programEnding, &window, [this] { Stop(); });
    form.Form_Load();
    window.show();
  }
  ~ProgramRig() {
    window.Wire(nullptr);
    Stop();
  }
  ProgramRig(const ProgramRig&) = delete;
  ProgramRig& operator=(const ProgramRig&) = delete;

  template <typename T = QWidget>
  T* Control(const char* name) const {
    T* control = window.findChild<T*>(QString::fromLatin1(name));
    if (control == nullptr) ADD_FAILURE() << "no control named " << name;
    return control;
  }

  QString Caption() const { return Control<QLabel>("lblComText")->text(); }
  QColor Lamp() const { return Control<QLabel>("lblComQ")->palette().color(QPalette::Window); }
  bool StatusIs(const QColor& lamp, const QString& caption) const {
    return Lamp() == lamp && Caption() == caption;
  }
  std::string Status() const {
    return Lamp().name().toStdString() + " \"" + Caption().toStdString() + "\"";
  }

  void Click(const char* button) {
    QTest::mouseClick(Control<QPushButton>(button), Qt::LeftButton);
  }
  // Selects the field's text and types over it.
  void Type(const char* field, const QString& text) {
    QLineEdit* edit = Control<QLineEdit>(field);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
  }
  QString Field(const char* field) const { return Control<QLineEdit>(field)->text(); }
  void Tick(const char* box, bool checked) {
    QCheckBox* check = Control<QCheckBox>(box);
    if (check->isChecked() != checked) QTest::mouseClick(check, Qt::LeftButton);
  }
  bool Ticked(const char* box) const { return Control<QCheckBox>(box)->isChecked(); }
  void Choose(const char* option) {
    QTest::mouseClick(Control<QRadioButton>(option), Qt::LeftButton);
  }
  bool Chosen(const char* option) const { return Control<QRadioButton>(option)->isChecked(); }

  // Waits until the first heartbeat has turned the line green.
  bool WaitUntilHeard(std::chrono::milliseconds limit = 30s) {
    return WaitFor([&] { return StatusIs(kGreen, QStringLiteral("Communications Good")); }, limit);
  }

 private:
  void Stop() {
    for (platform::Timer* timer : {&Timer1, &tmrComError, &tmrRead, &tmrWrite}) timer->Stop();
    GPS.Close();
  }

  PortMapping mapping_;

 public:
  platform::qt::QtSerialPort GPS;
  platform::qt::QtTimer Timer1;
  platform::qt::QtTimer tmrComError;
  platform::qt::QtTimer tmrRead;
  platform::qt::QtTimer tmrWrite;
  window::MainWindow window{&platform::qt::DeviceForPort};
  window::Form form{{GPS, Timer1, tmrComError, tmrRead, tmrWrite, window}};
};

}  // namespace orvane::testing
