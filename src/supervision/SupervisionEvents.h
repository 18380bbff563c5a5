// SPDX-License-Identifier: Apache-2.0
#pragma once
// What the link watchdog and the baud-rate search report. They say what happened on the link;
// what the operator is shown for it is decided in one place above them.

#include <cstdint>

namespace orvane::supervision {

class SupervisionEvents {
 public:
  // Start-up, and a heartbeat countdown that ran out.
  virtual void ReceiverNotFound() = 0;
  // The chosen port (1..8) would not open.
  virtual void PortNotAvailable(std::int16_t port) = 0;
  // Every verified heartbeat.
  virtual void HeartbeatHeard() = 0;
  // The search moved the port to this speed to test it.
  virtual void TestingAt(std::int32_t baud) = 0;

 protected:
  ~SupervisionEvents() = default;
};

}  // namespace orvane::supervision
