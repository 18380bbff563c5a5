#pragma once
// A scriptable serial port for tests. It records every frame written with the line settings the
// port was left at, lets a test inject bytes and line events, refuse opens or fail mid-run, and
// can model a receiver talking at one speed: at any other speed the program hears noise (and
// framing errors, if the port can report them) and the receiver hears nothing.
//
// Bytes reach the program as receive events on the virtual clock: never inside another handler.

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "platform/SerialLine.h"
#include "platform/fakes/VirtualClock.h"

namespace orvane::platform::fakes {

class FakeSerialPort final : public CommPort {
 public:
  struct Written {
    std::vector<std::uint8_t> frame;
    std::string settings;   // line settings when it was written, as "19200,N,8,1"
    std::int16_t commPort;  // port number it went out on
    bool heardByReceiver;   // false when the modelled receiver talks at another speed
  };
  using Responder = std::function<void(std::span<const std::uint8_t> frame)>;

  explicit FakeSerialPort(VirtualClock& clock) : clock_(clock) {}

  // CommPort
  void SetPortNumber(std::int16_t number) override { commPort_ = number; }
  std::int16_t PortNumber() const override { return commPort_; }
  bool SetLineSettings(const LineSettings& settings) override;
  LineSettings lineSettings() const override { return settings_; }
  bool HasLineSpeed() const override { return hasLineSpeed_; }
  bool Open() override;
  void Close() override;
  bool IsOpen() const override { return open_; }
  bool CanReportLineErrors() const override { return reportsLineErrors_; }
  void Output(std::span<const std::uint8_t> frame) override;

  // What the program did.
  const std::vector<Written>& written() const { return written_; }
  int opens() const { return opens_; }

  // Scripting the device.
  void SetAvailablePorts(std::set<std::int16_t> ports) { available_ = std::move(ports); }
  void SetOpenRefused(bool refused) { openRefused_ = refused; }
  // The device vanishes: the port closes as a failing port does, and opens fail until Replug.
  void Unplug();
  void Replug() { unplugged_ = false; }
  void SetCanReportLineErrors(bool can) { reportsLineErrors_ = can; }
  // False: the port number leads to a network link.
  void SetHasLineSpeed(bool has) { hasLineSpeed_ = has; }

  // Raw injection: delivered as one receive event if the port is open at delivery.
  void Inject(std::vector<std::uint8_t> bytes);
  void InjectLineError(LineError error = LineError::Framing);

  // The receiver model. With a speed set, ReceiverSends goes through the speed check and frames
  // the program writes reach the responder only when the speeds match. Without one, everything
  // is heard both ways.
  void SetReceiverBaud(std::optional<std::int32_t> baud) { receiverBaud_ = baud; }
  void ReceiverSends(std::span<const std::uint8_t> bytes);
  void SetResponder(Responder responder) { responder_ = std::move(responder); }

 private:
  bool SpeedsMatch() const;
  void Deliver(std::vector<std::uint8_t> bytes);
  void DeliverError(LineError error);

  VirtualClock& clock_;
  std::int16_t commPort_ = 1;
  LineSettings settings_ = AtBaud(9600);
  bool open_ = false;
  bool reportsLineErrors_ = true;
  bool hasLineSpeed_ = true;
  std::optional<std::set<std::int16_t>> available_;
  bool openRefused_ = false;
  bool unplugged_ = false;
  std::optional<std::int32_t> receiverBaud_;
  Responder responder_;
  std::uint32_t noiseSeed_ = 12345;
  std::vector<Written> written_;
  int opens_ = 0;
};

}  // namespace orvane::platform::fakes
