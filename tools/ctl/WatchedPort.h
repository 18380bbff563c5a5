// SPDX-License-Identifier: Apache-2.0
#pragma once
// The line a command runs on, watched over the whole run through the link core's frame stream:
// what arrived at every speed tried says how far the line got when something fails, and with -v
// every frame sent and received is written to stderr in words.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/LineDiagnosis.h"

namespace orvane::ctl {

class WatchedPort final : public platform::LineDiagnosis {
 public:
  // line must outlive this. label prefixes every trace line.
  WatchedPort(const platform::LineControl& line, std::string label, bool trace);

  // The sender id of the last frame received: which receiver answered on this port.
  std::optional<std::uint16_t> sender() const { return sender_; }
  // Settings answers (read and write responses) verified over the whole run, whether or not a
  // request was still waiting for them.
  std::uint64_t answers() const { return answers_; }

  void OnFrameSent(std::span<const std::uint8_t> frame) override;
  void OnFrameReceived(std::span<const std::uint8_t> frame) override;

 private:
  void Trace(const char* direction, std::span<const std::uint8_t> frame) const;

  std::string label_;
  bool trace_;
  std::optional<std::uint16_t> sender_;
  std::uint64_t answers_ = 0;
};

}  // namespace orvane::ctl
