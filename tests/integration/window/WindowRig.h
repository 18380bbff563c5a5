// SPDX-License-Identifier: Apache-2.0
#pragma once
// The real window with its session, put together as the program puts it together, on a fake
// serial port and virtual-time timers. Started; the window is not shown.

#include "platform/fakes/FakeSerialPort.h"
#include "platform/fakes/VirtualClock.h"
#include "window/Program.h"

namespace orvane::testing {

struct WindowRig {
  platform::fakes::VirtualClock clock;
  platform::fakes::FakeSerialPort port{clock};
  window::Program program{port, clock.TimerFactory(),
                          [](std::int16_t n) { return QStringLiteral("/dev/ttyS%1").arg(n); }};
  window::MainWindow& window = program.window();
  session::Session& session = program.session();
};

}  // namespace orvane::testing
