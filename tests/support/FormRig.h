#pragma once
// The whole form on fakes: a virtual clock, a scriptable serial port and the controls as plain
// data. Form_Load has run; Timer1 is running; nothing has ticked yet.

#include <chrono>

#include "platform/fakes/FakeControls.h"
#include "platform/fakes/FakeSerialPort.h"
#include "platform/fakes/VirtualClock.h"
#include "window/Form.h"

namespace orvane::testing {

using namespace std::chrono_literals;

struct FormRig {
  platform::fakes::VirtualClock clock;
  platform::fakes::FakeSerialPort port{clock};
  platform::fakes::FakeControls controls;
  platform::fakes::FakeTimer& Timer1 = clock.CreateTimer();
  platform::fakes::FakeTimer& tmrComError = clock.CreateTimer();
  platform::fakes::FakeTimer& tmrRead = clock.CreateTimer();
  platform::fakes::FakeTimer& tmrWrite = clock.CreateTimer();
  window::Form form{{port, Timer1, tmrComError, tmrRead, tmrWrite, controls}};

  FormRig() { form.Form_Load(); }

  void Advance(std::chrono::milliseconds span) { clock.Advance(span); }
  // The first Timer1 tick opens the port.
  void OpenPort() { Advance(1000ms); }
};

}  // namespace orvane::testing
