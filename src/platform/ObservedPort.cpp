// SPDX-License-Identifier: Apache-2.0
#include "platform/ObservedPort.h"

namespace orvane::platform {

ObservedPort::ObservedPort(CommPort& port) : port_(port) {
  receiver_.SetFrameObserver(
      [this](std::span<const std::uint8_t> frame) { OnFrameReceived(frame); });
  port_.SetBytesHandler([this](std::span<const std::uint8_t> bytes) {
    OnBytesReceived(bytes);
    if (Watching()) receiver_.Receive(bytes);
    DeliverBytes(bytes);
  });
  port_.SetLineErrorHandler([this](LineError error) { DeliverLineError(error); });
}

ObservedPort::~ObservedPort() {
  port_.SetBytesHandler(nullptr);
  port_.SetLineErrorHandler(nullptr);
}

bool ObservedPort::SetLineSettings(const LineSettings& settings) {
  // Nothing heard at the old speed can finish a frame at the new one.
  receiver_.Restart();
  return port_.SetLineSettings(settings);
}

void ObservedPort::Output(std::span<const std::uint8_t> frame) {
  // A frame on a closed port goes nowhere and is not seen as sent.
  if (port_.IsOpen()) OnFrameSent(frame);
  port_.Output(frame);
}

}  // namespace orvane::platform
