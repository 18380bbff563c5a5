#pragma once
// Counts the line errors (framing, break, parity) the operating system saw on an open serial
// port. Qt 6's QSerialPort reports none of them, so they are read from the native handle: the
// kernel's interrupt counters on Linux, ClearCommError on Windows. Elsewhere, and on devices
// whose driver keeps no counters (pseudo-terminals, some USB adapters), nothing is counted.

#include <cstdint>

class QSerialPort;

namespace orvane::platform::qt {

class LineErrorCounter {
 public:
  // Prepares the port's native handle for counting and takes a baseline. Call after every open
  // and every change of line settings. False when the port cannot count line errors.
  bool Begin(QSerialPort& port);
  // Errors seen since the baseline or the last call; zero when not counting.
  std::uint32_t TakeNew(QSerialPort& port);
  // Stops counting (the port is closing).
  void End() { counting_ = false; }
  bool Counting() const { return counting_; }

 private:
  bool counting_ = false;
  [[maybe_unused]] std::uint32_t baseline_ = 0;  // Linux only
};

}  // namespace orvane::platform::qt
