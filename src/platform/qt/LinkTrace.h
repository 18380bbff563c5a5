// SPDX-License-Identifier: Apache-2.0
#pragma once
// A trace of the link for support: every frame sent and every verified frame received, in words
// ("tx settings write uart1.baudrate = 19200", "rx heartbeat"), as debug messages of the logging
// category orvane.link, which is off unless turned on:
//   QT_LOGGING_RULES="orvane.link.debug=true" orvane-config 2> link.log
// It watches the link core's frame stream and changes nothing; while the category is off it costs
// one check per frame.

#include <QLoggingCategory>

#include "platform/LineObserver.h"

namespace orvane::platform::qt {

Q_DECLARE_LOGGING_CATEGORY(linkTrace)

class LinkTrace final : public LineObserver {
 public:
  void OnFrameSent(std::span<const std::uint8_t> frame) override;
  void OnFrameReceived(std::span<const std::uint8_t> frame) override;
};

}  // namespace orvane::platform::qt
