// SPDX-License-Identifier: Apache-2.0
#include "platform/DiagnosedPort.h"

namespace orvane::platform {

DiagnosedPort::DiagnosedPort(CommPort& port, Memory memory) : ObservedPort(port), memory_(memory) {}

bool DiagnosedPort::Open() {
  const bool wasOpen = IsOpen();
  const bool open = ObservedPort::Open();
  if (open && !wasOpen && memory_ == Memory::SinceOpened) Forget();
  return open;
}

void DiagnosedPort::Forget() {
  bytes_ = frames_ = heartbeats_ = 0;
  heartbeatSpeed_.reset();
  Notify();
}

void DiagnosedPort::OnBytesReceived(std::span<const std::uint8_t> bytes) {
  const bool first = bytes_ == 0;
  bytes_ += bytes.size();
  if (first && !bytes.empty()) Notify();
}

void DiagnosedPort::OnFrameReceived(std::span<const std::uint8_t> /*frame*/) {
  if (++frames_ == 1) Notify();
}

void DiagnosedPort::OnHeartbeatReceived() {
  ++heartbeats_;
  const auto speed = watchedPort().HasLineSpeed()
                         ? std::optional<std::int32_t>(watchedPort().lineSettings().baud)
                         : std::nullopt;
  const bool changed = heartbeats_ == 1 || speed != heartbeatSpeed_;
  heartbeatSpeed_ = speed;
  if (changed) Notify();
}

std::string DiagnosedPort::Diagnosis() const {
  if (bytes_ == 0) return "no bytes received";
  if (frames_ == 0) return "bytes received but no valid frame at any speed";
  if (heartbeats_ == 0) return "frames but no heartbeat";
  if (heartbeatSpeed_) return "heartbeat at " + std::to_string(*heartbeatSpeed_);
  return "heartbeat over TCP";
}

}  // namespace orvane::platform
