// SPDX-License-Identifier: Apache-2.0
#include "platform/LineDiagnosis.h"

namespace orvane::platform {

void LineDiagnosis::OnLineChanged(LineChange change) {
  if (change == LineChange::Reopened && memory_ == Memory::SinceOpened) Forget();
}

void LineDiagnosis::Forget() {
  bytes_ = frames_ = heartbeats_ = 0;
  heartbeatSpeed_.reset();
  Notify();
}

void LineDiagnosis::OnBytesReceived(std::span<const std::uint8_t> bytes) {
  const bool first = bytes_ == 0;
  bytes_ += bytes.size();
  if (first && !bytes.empty()) Notify();
}

void LineDiagnosis::OnFrameReceived(std::span<const std::uint8_t> /*frame*/) {
  if (++frames_ == 1) Notify();
}

void LineDiagnosis::OnHeartbeat() {
  ++heartbeats_;
  const auto speed =
      line_.HasLineSpeed() ? std::optional<std::int32_t>(line_.lineSettings().baud) : std::nullopt;
  const bool changed = heartbeats_ == 1 || speed != heartbeatSpeed_;
  heartbeatSpeed_ = speed;
  if (changed) Notify();
}

std::string LineDiagnosis::Diagnosis() const {
  if (bytes_ == 0) return "no bytes received";
  if (frames_ == 0) return "bytes received but no valid frame at any speed";
  if (heartbeats_ == 0) return "frames but no heartbeat";
  if (heartbeatSpeed_) return "heartbeat at " + std::to_string(*heartbeatSpeed_);
  return "heartbeat over TCP";
}

}  // namespace orvane::platform
