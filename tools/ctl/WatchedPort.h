// SPDX-License-Identifier: Apache-2.0
#pragma once
// The port a command runs on, watched: it counts what arrives (bytes, verified frames,
// heartbeats and the speed they were heard at) so a failure can say how far the line got, and
// with -v it writes every frame sent and received to stderr in words.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "platform/ObservedPort.h"

namespace orvane::ctl {

class WatchedPort final : public platform::ObservedPort {
 public:
  // port must outlive this. label prefixes every trace line.
  WatchedPort(platform::CommPort& port, std::string label, bool trace);

  std::uint64_t bytes() const { return bytes_; }
  std::uint64_t frames() const { return frames_; }
  std::uint64_t heartbeats() const { return heartbeats_; }
  // The speed the last heartbeat was heard at; empty over TCP or before any.
  std::optional<std::int32_t> heartbeatSpeed() const { return heartbeatSpeed_; }

  // "no bytes received", "bytes received but no valid frame at any speed", "frames but no
  // heartbeat" or "heartbeat at SPEED" ("heartbeat over TCP" without a speed).
  std::string Diagnosis() const;

  // Called for every heartbeat from now on, from inside the frame receiver: the handler only
  // schedules what is to follow.
  void OnHeartbeat(std::function<void()> handler) { onHeartbeat_ = std::move(handler); }

 private:
  void OnBytesReceived(std::span<const std::uint8_t> bytes) override { bytes_ += bytes.size(); }
  void OnFrameSent(std::span<const std::uint8_t> frame) override;
  void OnFrameReceived(std::span<const std::uint8_t> frame) override;
  void OnHeartbeatReceived() override;
  void Trace(const char* direction, std::span<const std::uint8_t> frame) const;

  std::string label_;
  bool trace_;
  std::uint64_t bytes_ = 0;
  std::uint64_t frames_ = 0;
  std::uint64_t heartbeats_ = 0;
  std::optional<std::int32_t> heartbeatSpeed_;
  std::function<void()> onHeartbeat_;
};

}  // namespace orvane::ctl
