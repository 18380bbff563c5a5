#pragma once
// The real window with the form behind it, on a fake serial port and virtual-time timers: the
// window is Qt, everything it drives is scripted. Form_Load has run; the window is not shown.

#include <QString>
#include <chrono>
#include <cstdint>

#include "platform/fakes/FakeSerialPort.h"
#include "platform/fakes/VirtualClock.h"
#include "window/Form.h"
#include "window/MainWindow.h"

namespace orvane::testing {

// Ports 1 and 3 exist on the imagined machine.
inline QString TestDevices(std::int16_t n) {
  return n == 1   ? QStringLiteral("/dev/ttyACM0")
         : n == 3 ? QStringLiteral("/dev/ttyUSB0")
                  : QString();
}

struct WindowRig {
  platform::fakes::VirtualClock clock;
  platform::fakes::FakeSerialPort port{clock};
  platform::fakes::FakeTimer& Timer1 = clock.CreateTimer();
  platform::fakes::FakeTimer& tmrComError = clock.CreateTimer();
  platform::fakes::FakeTimer& tmrRead = clock.CreateTimer();
  platform::fakes::FakeTimer& tmrWrite = clock.CreateTimer();
  window::MainWindow window{&TestDevices};
  window::Form form{{port, Timer1, tmrComError, tmrRead, tmrWrite, window}};

  WindowRig() {
    window.Wire(&form);
    form.Form_Load();
  }
  ~WindowRig() { window.Wire(nullptr); }

  void Advance(std::chrono::milliseconds span) { clock.Advance(span); }
};

}  // namespace orvane::testing
