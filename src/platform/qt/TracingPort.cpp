// SPDX-License-Identifier: Apache-2.0
#include "platform/qt/TracingPort.h"

#include <QString>

#include "link/FrameText.h"

namespace orvane::platform::qt {

Q_LOGGING_CATEGORY(linkTrace, "orvane.link", QtInfoMsg)

namespace {

void Trace(const char* direction, std::span<const std::uint8_t> frame) {
  qCDebug(linkTrace).noquote() << direction << QString::fromStdString(link::DescribeFrame(frame));
}

}  // namespace

TracingPort::TracingPort(CommPort& port) : port_(port) {
  receiver_.SetFrameObserver([](std::span<const std::uint8_t> frame) { Trace("rx", frame); });
  port_.SetBytesHandler([this](std::span<const std::uint8_t> bytes) {
    if (linkTrace().isDebugEnabled()) receiver_.Receive(bytes);
    DeliverBytes(bytes);
  });
  port_.SetLineErrorHandler([this](LineError error) { DeliverLineError(error); });
}

TracingPort::~TracingPort() {
  port_.SetBytesHandler(nullptr);
  port_.SetLineErrorHandler(nullptr);
}

bool TracingPort::SetLineSettings(const LineSettings& settings) {
  // Nothing heard at the old speed can finish a frame at the new one.
  receiver_.Restart();
  return port_.SetLineSettings(settings);
}

void TracingPort::Output(std::span<const std::uint8_t> frame) {
  // A frame on a closed port goes nowhere and is not traced as sent.
  if (linkTrace().isDebugEnabled() && port_.IsOpen()) Trace("tx", frame);
  port_.Output(frame);
}

}  // namespace orvane::platform::qt
