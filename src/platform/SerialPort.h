#pragma once
// The serial port as the logic sees it: a port number, a line-settings text, open and close, and
// the communication event that carries received bytes or a line error. Only the platform layer
// touches the device.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "link/Frame.h"
#include "link/FrameReceiver.h"

namespace orvane::platform {

// "19200,N,8,1": baud rate, parity letter, data bits, stop bits.
struct LineSettings {
  std::int32_t baud = 19200;
  char parity = 'N';  // N, E, O, M or S
  std::int16_t dataBits = 8;
  std::int16_t stopBits = 1;
  friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

// Parses a line-settings text; anything else than the four fields above is refused.
std::optional<LineSettings> ParseLineSettings(std::string_view text);

class SerialPort : public link::FrameSink {
 public:
  using CommHandler = std::function<void(const link::CommEvent&)>;

  virtual ~SerialPort() = default;

  // The COM port number (1..8) used by the next Open.
  virtual void SetCommPort(std::int16_t number) = 0;
  virtual std::int16_t CommPort() const = 0;

  // Takes effect now, also while open. A text that cannot be parsed or applied is refused
  // (false) and leaves the port as it was.
  virtual bool SetSettings(std::string_view settings) = 0;
  virtual std::string Settings() const = 0;

  // May fail (no such port, port in use); a failed open leaves the port closed.
  virtual bool Open() = 0;
  // Harmless on a closed port.
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;

  // Whether this port can tell framing errors at all (pseudo-terminals and some USB adapters
  // cannot). Such a port never raises a framing-error event.
  virtual bool CanReportLineErrors() const = 0;

  void SetCommHandler(CommHandler handler) { onComm_ = std::move(handler); }

 protected:
  void RaiseComm(const link::CommEvent& event) {
    if (onComm_) onComm_(event);
  }

 private:
  CommHandler onComm_;
};

}  // namespace orvane::platform
