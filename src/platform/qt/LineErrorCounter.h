// SPDX-License-Identifier: Apache-2.0
#pragma once
// Counts the line errors the operating system saw on an open serial port. Qt 6's QSerialPort
// reports none of them, so they are read from the native handle through a LineCountSource: the
// kernel's interrupt counters on Linux, ClearCommError on Windows. Elsewhere, and on devices
// whose driver keeps no counters (pseudo-terminals, some USB adapters), nothing is counted.

#include <QtGlobal>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/LineControl.h"

namespace orvane::platform::qt {

// Running totals of a port's line errors as the system keeps them. They only ever grow, and
// wrap around like the kernel's ints do.
struct LineCounts {
  std::uint32_t frame = 0;
  std::uint32_t brk = 0;
  std::uint32_t parity = 0;
  std::uint32_t overrun = 0;
};

// Where the totals come from, for the native handle of an open port.
class LineCountSource {
 public:
  virtual ~LineCountSource() = default;
  // Sets the handle up so that errors are counted at all; called after every open and every
  // change of line settings.
  virtual void Prepare(qintptr handle) = 0;
  // The totals now; nullopt when the device keeps none.
  virtual std::optional<LineCounts> Read(qintptr handle) = 0;
};

// The system's own counters for this platform.
std::unique_ptr<LineCountSource> SystemLineCounts();

class LineErrorCounter {
 public:
  // A line held low, or a driver that restarted its counters, can make one reading jump by
  // millions; the logic saturates at ten framing errors, so more than this many of a kind per
  // reading carry nothing.
  static constexpr std::uint32_t kMostPerReading = 64;

  explicit LineErrorCounter(std::unique_ptr<LineCountSource> source);

  // Prepares the handle and takes a baseline. Call after every open and every change of line
  // settings, so that errors heard at an earlier speed are not counted at this one. False when
  // the port cannot count line errors.
  bool Begin(qintptr handle);
  // The errors seen since the baseline or the last call, in a fixed order of kind; empty when
  // not counting. The new totals become the baseline.
  std::vector<LineError> TakeNew(qintptr handle);
  // Stops counting (the port is closing).
  void End() { counting_ = false; }
  bool Counting() const { return counting_; }

 private:
  std::unique_ptr<LineCountSource> source_;
  bool counting_ = false;
  LineCounts baseline_;
};

}  // namespace orvane::platform::qt
