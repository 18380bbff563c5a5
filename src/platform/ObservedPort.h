// SPDX-License-Identifier: Apache-2.0
#pragma once
// A port in front of another that watches the frames crossing it: every frame sent while the port
// is open and, while it is watching, every verified frame received (found by a frame receiver of
// its own, so what the frames mean stays the logic's business). Everything else passes straight
// through. A trace and a link diagnosis are both made this way.

#include <cstdint>
#include <span>

#include "link/FrameReceiver.h"
#include "platform/SerialLine.h"

namespace orvane::platform {

class ObservedPort : public CommPort, private link::MessageHandlers {
 public:
  // port must outlive this; its byte and line-error handlers are taken over from now on.
  explicit ObservedPort(CommPort& port);
  ~ObservedPort() override;
  ObservedPort(const ObservedPort&) = delete;
  ObservedPort& operator=(const ObservedPort&) = delete;

  void SetPortNumber(std::int16_t number) override { port_.SetPortNumber(number); }
  std::int16_t PortNumber() const override { return port_.PortNumber(); }
  bool SetLineSettings(const LineSettings& settings) override;
  LineSettings lineSettings() const override { return port_.lineSettings(); }
  bool HasLineSpeed() const override { return port_.HasLineSpeed(); }
  bool CanReportLineErrors() const override { return port_.CanReportLineErrors(); }
  bool Open() override { return port_.Open(); }
  void Close() override { port_.Close(); }
  bool IsOpen() const override { return port_.IsOpen(); }
  void Output(std::span<const std::uint8_t> frame) override;

 protected:
  const CommPort& watchedPort() const { return port_; }

  // Whether received bytes are looked through for frames now; a trace that is off needs none.
  virtual bool Watching() const { return true; }
  virtual void OnBytesReceived(std::span<const std::uint8_t> /*bytes*/) {}
  virtual void OnFrameSent(std::span<const std::uint8_t> /*frame*/) {}
  virtual void OnFrameReceived(std::span<const std::uint8_t> /*frame*/) {}
  virtual void OnHeartbeatReceived() {}

 private:
  void OnHeartbeat() override { OnHeartbeatReceived(); }
  void OnSettingReadResponse(std::span<const std::uint8_t>) override {}
  void OnSettingWriteResponse(std::span<const std::uint8_t>) override {}

  CommPort& port_;
  link::FrameReceiver receiver_{*this};
};

}  // namespace orvane::platform
