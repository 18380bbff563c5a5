// SPDX-License-Identifier: Apache-2.0
#pragma once
// The port a command runs on, watched over the whole run: what arrived at every speed tried says
// how far the line got when something fails, and with -v every frame sent and received is
// written to stderr in words.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/DiagnosedPort.h"

namespace orvane::ctl {

class WatchedPort final : public platform::DiagnosedPort {
 public:
  // port must outlive this. label prefixes every trace line.
  WatchedPort(platform::CommPort& port, std::string label, bool trace);

  // The sender id of the last frame received: which receiver answered on this port.
  std::optional<std::uint16_t> sender() const { return sender_; }
  // Settings answers (read and write responses) verified over the whole run, whether or not a
  // request was still waiting for them.
  std::uint64_t answers() const { return answers_; }

 private:
  void OnFrameSent(std::span<const std::uint8_t> frame) override;
  void OnFrameReceived(std::span<const std::uint8_t> frame) override;
  void Trace(const char* direction, std::span<const std::uint8_t> frame) const;

  std::string label_;
  bool trace_;
  std::optional<std::uint16_t> sender_;
  std::uint64_t answers_ = 0;
};

}  // namespace orvane::ctl
