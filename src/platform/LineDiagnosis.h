// SPDX-License-Identifier: Apache-2.0
#pragma once
// How far the line got, kept as counts (bytes, verified frames, heartbeats and the speed the last
// heartbeat was heard at) and said in words, from "no bytes received" to "heartbeat at 19200". A
// command-line run counts over the whole run, every speed it tried included; the window counts
// from the last time the port was opened, so that what it shows is about the line as it is set
// now.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "platform/LineObserver.h"
#include "platform/LineControl.h"

namespace orvane::platform {

class LineDiagnosis : public LineObserver {
 public:
  enum class Memory : std::uint8_t { WholeRun, SinceOpened };

  // line tells the speed a heartbeat was heard at, and must outlive this.
  LineDiagnosis(const LineControl& line, Memory memory) : line_(line), memory_(memory) {}
  virtual ~LineDiagnosis() = default;

  std::uint64_t bytes() const { return bytes_; }
  std::uint64_t frames() const { return frames_; }
  std::uint64_t heartbeats() const { return heartbeats_; }
  // The speed the last heartbeat was heard at; empty over TCP or before any.
  std::optional<std::int32_t> heartbeatSpeed() const { return heartbeatSpeed_; }

  // "no bytes received", "bytes received but no valid frame at any speed", "frames but no
  // heartbeat" or "heartbeat at SPEED" ("heartbeat over TCP" without a speed).
  std::string Diagnosis() const;

  // Called whenever Diagnosis() may have come to read otherwise: the first byte, frame or
  // heartbeat, a heartbeat at another speed, the counts starting again. It is called from inside
  // the frame receiver, so it only schedules or draws.
  void SetDiagnosisObserver(std::function<void()> observer) { observer_ = std::move(observer); }

  void OnBytesReceived(std::span<const std::uint8_t> bytes) override;
  void OnFrameReceived(std::span<const std::uint8_t> frame) override;
  void OnHeartbeat() override;
  void OnLineChanged(LineChange change) override;

 private:
  void Forget();
  void Notify() const {
    if (observer_) observer_();
  }

  const LineControl& line_;
  Memory memory_;
  std::uint64_t bytes_ = 0;
  std::uint64_t frames_ = 0;
  std::uint64_t heartbeats_ = 0;
  std::optional<std::int32_t> heartbeatSpeed_;
  std::function<void()> observer_;
};

}  // namespace orvane::platform
