// SPDX-License-Identifier: Apache-2.0
#pragma once
// A whole session on fakes, built by the one factory: a virtual clock, a scriptable serial port
// and the form fields as plain data. Started; the watchdog's timer is running; nothing has
// ticked yet. Every caption written is kept, in order.

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/fakes/FakeSerialPort.h"
#include "platform/fakes/VirtualClock.h"
#include "session/Session.h"
#include "transfer/BaseStation.h"

namespace orvane::testing {

using namespace std::chrono_literals;

struct SessionRig {
  platform::fakes::VirtualClock clock;
  platform::fakes::FakeSerialPort port{clock};
  transfer::FormValues fields{transfer::BaseStationFields()};
  std::unique_ptr<session::Session> session;
  std::vector<std::string> captions;

  SessionRig() : session(session::MakeSession({port, clock.TimerFactory(), fields})) {
    session->status().SetObserver([this](session::StatusLine::Part part) {
      if (part == session::StatusLine::Part::Caption) captions.push_back(status().caption());
    });
    session->Start();
  }

  const session::StatusLine& status() const { return session->status(); }
  void Advance(std::chrono::milliseconds span) { clock.Advance(span); }
  // The first watchdog tick opens the port.
  void OpenPort() { Advance(1000ms); }
};

}  // namespace orvane::testing
