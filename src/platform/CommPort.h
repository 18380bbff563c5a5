// SPDX-License-Identifier: Apache-2.0
#pragma once
// The window's port: the Comm menu's number (1..8) names the device the next Open opens. Only
// the window and its watchdog choose by number; the link core and orvanectl see a LinePort.

#include <cstdint>

#include "platform/LineControl.h"

namespace orvane::platform {

class PortChoice {
 public:
  virtual ~PortChoice() = default;
  // Takes effect at the next Open; an open port stays on its device until it closes.
  virtual void SetPortNumber(std::int16_t number) = 0;
  virtual std::int16_t PortNumber() const = 0;
};

class CommPort : public LinePort, public PortChoice {};

}  // namespace orvane::platform
