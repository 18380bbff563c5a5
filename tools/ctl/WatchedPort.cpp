// SPDX-License-Identifier: Apache-2.0
#include "WatchedPort.h"

#include <cstdio>

#include "link/FrameText.h"

namespace orvane::ctl {

WatchedPort::WatchedPort(platform::CommPort& port, std::string label, bool trace)
    : ObservedPort(port), label_(std::move(label)), trace_(trace) {}

void WatchedPort::OnFrameSent(std::span<const std::uint8_t> frame) {
  if (trace_) Trace("tx", frame);
}

void WatchedPort::OnFrameReceived(std::span<const std::uint8_t> frame) {
  ++frames_;
  if (trace_) Trace("rx", frame);
}

void WatchedPort::OnHeartbeatReceived() {
  ++heartbeats_;
  if (watchedPort().HasLineSpeed()) heartbeatSpeed_ = watchedPort().lineSettings().baud;
  if (onHeartbeat_) onHeartbeat_();
}

std::string WatchedPort::Diagnosis() const {
  if (bytes_ == 0) return "no bytes received";
  if (frames_ == 0) return "bytes received but no valid frame at any speed";
  if (heartbeats_ == 0) return "frames but no heartbeat";
  if (heartbeatSpeed_) return "heartbeat at " + std::to_string(*heartbeatSpeed_);
  return "heartbeat over TCP";
}

void WatchedPort::Trace(const char* direction, std::span<const std::uint8_t> frame) const {
  const std::string line = label_ + ": " + direction + " " + link::DescribeFrame(frame) + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace orvane::ctl
