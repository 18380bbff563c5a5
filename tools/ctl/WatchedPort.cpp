// SPDX-License-Identifier: Apache-2.0
#include "WatchedPort.h"

#include <cstdio>

#include "link/FrameText.h"

namespace orvane::ctl {

WatchedPort::WatchedPort(platform::CommPort& port, std::string label, bool trace)
    : port_(port), label_(std::move(label)), trace_(trace) {
  receiver_.SetFrameObserver([this](std::span<const std::uint8_t> frame) {
    ++frames_;
    if (trace_) Trace("rx", frame);
  });
  port_.SetBytesHandler([this](std::span<const std::uint8_t> bytes) {
    bytes_ += bytes.size();
    receiver_.Receive(bytes);
    DeliverBytes(bytes);
  });
  port_.SetLineErrorHandler([this](platform::LineError error) { DeliverLineError(error); });
}

WatchedPort::~WatchedPort() {
  port_.SetBytesHandler(nullptr);
  port_.SetLineErrorHandler(nullptr);
}

bool WatchedPort::SetLineSettings(const platform::LineSettings& settings) {
  // Nothing heard at the old speed can finish a frame at the new one.
  receiver_.Restart();
  return port_.SetLineSettings(settings);
}

void WatchedPort::Output(std::span<const std::uint8_t> frame) {
  if (trace_ && port_.IsOpen()) Trace("tx", frame);
  port_.Output(frame);
}

void WatchedPort::OnHeartbeat() {
  ++heartbeats_;
  if (port_.HasLineSpeed()) heartbeatSpeed_ = port_.lineSettings().baud;
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
