// SPDX-License-Identifier: Apache-2.0
#pragma once
// What a serial line adds to a link: line settings and line errors. A network link
// (tcp://HOST:PORT) has no line speed and never reports line errors, so everything above asks
// before it searches or counts.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "platform/Link.h"

namespace orvane::platform {

enum class Parity : std::uint8_t { None, Even, Odd, Mark, Space };

struct LineSettings {
  std::int32_t baud = 19200;
  Parity parity = Parity::None;
  std::uint8_t dataBits = 8;
  std::uint8_t stopBits = 1;
  friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

// The line the window uses, and returns to after a baud-rate search.
inline constexpr LineSettings kLine19200{};

// The speeds a receiver's port may run at, in the order a search tries them: the usual 19200
// first, then fastest to slowest.
inline constexpr std::array<std::int32_t, 8> kReceiverSpeeds{19200, 115200, 57600, 38400,
                                                             9600,  4800,   2400,  1200};

inline constexpr LineSettings AtBaud(std::int32_t baud) {
  return LineSettings{baud, Parity::None, 8, 1};
}

// "19200,N,8,1": baud rate, parity letter, data bits, stop bits; for logs and tests.
std::string ToText(const LineSettings& settings);

enum class LineError : std::uint8_t { Framing, Parity, Break, Overrun };

class LineControl {
 public:
  using LineErrorHandler = std::function<void(LineError)>;

  virtual ~LineControl() = default;

  // Takes effect now, also while open. Settings the device refuses leave it as it was (false).
  virtual bool SetLineSettings(const LineSettings& settings) = 0;
  virtual LineSettings lineSettings() const = 0;

  // False while the chosen port number leads to a network link: it has no speed to search.
  virtual bool HasLineSpeed() const = 0;
  // Whether this port can tell line errors at all (pseudo-terminals and some USB adapters
  // cannot). Such a port never raises a line error.
  virtual bool CanReportLineErrors() const = 0;

  // Each line error the device reported, before the bytes of the same read are delivered.
  void SetLineErrorHandler(LineErrorHandler handler) { onLineError_ = std::move(handler); }

 protected:
  void DeliverLineError(LineError error) {
    if (onLineError_) onLineError_(error);
  }

 private:
  LineErrorHandler onLineError_;
};

// A link with its line control: what the link core drives, whichever device it is.
class LinePort : public Link, public LineControl {};

}  // namespace orvane::platform
