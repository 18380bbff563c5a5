// SPDX-License-Identifier: Apache-2.0
#pragma once
// A trace of the link for support: every frame sent and every verified frame received, in words
// ("tx settings write uart1.baudrate = 19200", "rx heartbeat"), as debug messages of the logging
// category orvane.link, which is off unless turned on:
//   QT_LOGGING_RULES="orvane.link.debug=true" orvane-config 2> link.log
// It wraps the port the logic uses and changes nothing it does; while the category is off it
// costs one check per frame sent and per read.

#include <QLoggingCategory>

#include "link/FrameReceiver.h"
#include "platform/SerialLine.h"

namespace orvane::platform::qt {

Q_DECLARE_LOGGING_CATEGORY(linkTrace)

class TracingPort final : public CommPort, private link::MessageHandlers {
 public:
  // port must outlive this; its byte and line-error handlers are taken over from now on.
  explicit TracingPort(CommPort& port);
  ~TracingPort();

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

 private:
  // The trace's own receiver finds frames; what they mean is the logic's business.
  void OnHeartbeat() override {}
  void OnSettingReadResponse(std::span<const std::uint8_t>) override {}
  void OnSettingWriteResponse(std::span<const std::uint8_t>) override {}

  CommPort& port_;
  link::FrameReceiver receiver_{*this};
};

}  // namespace orvane::platform::qt
