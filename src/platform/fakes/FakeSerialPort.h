// SPDX-License-Identifier: Apache-2.0
#pragma once
// A scriptable serial port for tests. It records every frame written with the line settings the
// port was left at, lets a test inject bytes and line events, refuse opens or fail mid-run, and
// hands what the program writes to a far end (a scripted responder, or the simulated receiver of
// tests/support/SimulatedReceiver.h, which also models a receiver at another speed).
//
// Bytes reach the program as receive events on the virtual clock: never inside another handler.

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "platform/CommPort.h"
#include "platform/fakes/VirtualClock.h"

namespace orvane::platform::fakes {

class FakeSerialPort final : public CommPort {
 public:
  struct Written {
    std::vector<std::uint8_t> frame;
    std::string settings;  // line settings when it was written, as "19200,N,8,1"
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
  // False plays a port number that leads to a network link.
  void SetHasLineSpeed(bool has) { hasLineSpeed_ = has; }

  // Raw injection: delivered as one receive event if the port is open at delivery.
  void Inject(std::vector<std::uint8_t> bytes);
  void InjectLineError(LineError error = LineError::Framing);

  // The far end: each frame written on the open port reaches the responder as an event of its
  // own, whatever the line settings; what the far end sends back arrives as it was sent.
  void SetResponder(Responder responder) { responder_ = std::move(responder); }
  void ReceiverSends(std::span<const std::uint8_t> bytes) { Inject({bytes.begin(), bytes.end()}); }

 private:
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
  Responder responder_;
  std::vector<Written> written_;
  int opens_ = 0;
};

}  // namespace orvane::platform::fakes
