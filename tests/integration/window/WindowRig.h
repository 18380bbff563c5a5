#pragma once
// The real window with the form behind it, on a fake serial port and virtual-time timers.
// Form_Load has run; the window is not shown.

#include "platform/fakes/FakeSerialPort.h"
#include "platform/fakes/VirtualClock.h"
#include "window/Form.h"
#include "window/MainWindow.h"

namespace orvane::testing {

struct WindowRig {
  platform::fakes::VirtualClock clock;
  platform::fakes::FakeSerialPort port{clock};
  platform::fakes::FakeTimer& Timer1 = clock.CreateTimer();
  platform::fakes::FakeTimer& tmrComError = clock.CreateTimer();
  platform::fakes::FakeTimer& tmrRead = clock.CreateTimer();
  platform::fakes::FakeTimer& tmrWrite = clock.CreateTimer();
  window::MainWindow window{[](std::int16_t n) { return QStringLiteral("/dev/ttyS%1").arg(n); }};
  window::Form form{{port, Timer1, tmrComError, tmrRead, tmrWrite, window}};

  WindowRig() {
    window.Wire(&form);
    form.Form_Load();
  }
  ~WindowRig() { window.Wire(nullptr); }
};

}  // namespace orvane::testing
