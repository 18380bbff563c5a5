// SPDX-License-Identifier: Apache-2.0
#include "platform/qt/LinkTrace.h"

#include <QString>

#include "link/FrameText.h"

namespace orvane::platform::qt {

Q_LOGGING_CATEGORY(linkTrace, "orvane.link", QtInfoMsg)

namespace {

void Trace(const char* direction, std::span<const std::uint8_t> frame) {
  if (!linkTrace().isDebugEnabled()) return;
  qCDebug(linkTrace).noquote() << direction << QString::fromStdString(link::DescribeFrame(frame));
}

}  // namespace

void LinkTrace::OnFrameSent(std::span<const std::uint8_t> frame) {
  Trace("tx", frame);
}

void LinkTrace::OnFrameReceived(std::span<const std::uint8_t> frame) {
  Trace("rx", frame);
}

}  // namespace orvane::platform::qt
