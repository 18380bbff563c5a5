// SPDX-License-Identifier: Apache-2.0
#pragma once
// The whole program in the test process, put together as orvane-config puts it together: the
// window and its session on the Qt serial port and Qt timers, with COM port 1 mapped to the
// simulator's link. The operator's side: click buttons, fill in fields and boxes, and watch
// the status line.

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>

#include "SimProcess.h"
#include "platform/qt/QtCommPort.h"
#include "window/Program.h"

namespace orvane::testing {

class ProgramRig {
 public:
  explicit ProgramRig(const QString& device) {
    qputenv("ORVANE_COM1", device.toLocal8Bit());  // read whenever the port opens
    program.Show();
  }

  template <typename T = QWidget>
  T* Control(const char* name) const {
    T* control = program.window().findChild<T*>(name);
    if (control == nullptr) ADD_FAILURE() << "no control named " << name;
    return control;
  }

  // The status line as the operator sees it: "green: Communications Good".
  std::string Status() const {
    const QColor lamp = Control<QLabel>("lblComQ")->palette().color(QPalette::Window);
    const QString colour = lamp == Qt::red      ? "red"
                           : lamp == Qt::green  ? "green"
                           : lamp == Qt::yellow ? "yellow"
                                                : lamp.name();
    return (colour + ": " + Control<QLabel>("lblComText")->text()).toStdString();
  }
  // What the lamp says when the pointer rests on it.
  QString LampToolTip() const { return Control<QLabel>("lblComQ")->toolTip(); }
  bool WaitForStatus(const std::string& status, std::chrono::milliseconds limit) const {
    return WaitFor([&] { return Status() == status; }, limit);
  }

  // Clicks near the left edge, where every button, box and option takes a click.
  void Click(const char* name) {
    QAbstractButton* button = Control<QAbstractButton>(name);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(4, button->height() / 2));
  }
  // A field's text, or "True"/"False" for a check box or an option.
  QString Value(const char* control) const {
    if (auto* edit = qobject_cast<QLineEdit*>(Control(control))) return edit->text();
    return Control<QAbstractButton>(control)->isChecked() ? "True" : "False";
  }
  // Types over a field's text, or clicks a box or an option that does not show the value.
  void Set(const char* control, const QString& value) {
    if (auto* edit = qobject_cast<QLineEdit*>(Control(control))) {
      edit->setFocus();
      QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClick(edit, Qt::Key_Delete);
      QTest::keyClicks(edit, value);
    } else if (Value(control) != value) {
      Click(control);
    }
  }
  // Clicks "Read From Orvane" until a read completes. Noise or a change of speed can leave a
  // false frame open in the tool's receiver that swallows the answers; the operator clicks again.
  bool Read(int clicks) {
    for (int click = 0; click < clicks; ++click) {
      Click("cmdRead");
      if (WaitForStatus("green: Communicarions Good", 20s)) return true;
    }
    return false;
  }

  // The one place the port is chosen.
  platform::qt::QtCommPort port;
  window::Program program{port, window::QtTimers(), &platform::qt::DeviceForPort};
};

}  // namespace orvane::testing
