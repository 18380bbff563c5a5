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

bool TracingPort::Watching() const {
  return linkTrace().isDebugEnabled();
}

void TracingPort::OnFrameSent(std::span<const std::uint8_t> frame) {
  if (Watching()) Trace("tx", frame);
}

void TracingPort::OnFrameReceived(std::span<const std::uint8_t> frame) {
  Trace("rx", frame);
}

}  // namespace orvane::platform::qt
