// SPDX-License-Identifier: Apache-2.0
#pragma once
// The port a command runs on, watched: it counts what arrives (bytes, verified frames,
// heartbeats and the speed they were heard at) so a failure can say how far the line got, and
// with -v it writes every frame sent and received to stderr in words.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "link/FrameReceiver.h"
#include "platform/SerialLine.h"

namespace orvane::ctl {

class WatchedPort final : public platform::CommPort, private link::MessageHandlers {
 public:
  // port must outlive this; its byte and line-error handlers are taken over. label prefixes
  // every trace line; an empty label with trace off.
  WatchedPort(platform::CommPort& port, std::string label, bool trace);
  ~WatchedPort() override;

  void SetPortNumber(std::int16_t number) override { port_.SetPortNumber(number); }
  std::int16_t PortNumber() const override { return port_.PortNumber(); }
  bool SetLineSettings(const platform::LineSettings& settings) override;
  platform::LineSettings lineSettings() const override { return port_.lineSettings(); }
  bool HasLineSpeed() const override { return port_.HasLineSpeed(); }
  bool CanReportLineErrors() const override { return port_.CanReportLineErrors(); }
  bool Open() override { return port_.Open(); }
  void Close() override { port_.Close(); }
  bool IsOpen() const override { return port_.IsOpen(); }
  void Output(std::span<const std::uint8_t> frame) override;

  std::uint64_t bytes() const { return bytes_; }
  std::uint64_t frames() const { return frames_; }
  std::uint64_t heartbeats() const { return heartbeats_; }
  // The speed the last heartbeat was heard at; empty over TCP or before any.
  std::optional<std::int32_t> heartbeatSpeed() const { return heartbeatSpeed_; }

  // "no bytes received", "bytes received but no valid frame at any speed", "frames but no
  // heartbeat" or "heartbeat at SPEED" ("heartbeat over TCP" without a speed).
  std::string Diagnosis() const;

 private:
  void OnHeartbeat() override;
  void OnSettingReadResponse(std::span<const std::uint8_t>) override {}
  void OnSettingWriteResponse(std::span<const std::uint8_t>) override {}
  void Trace(const char* direction, std::span<const std::uint8_t> frame) const;

  platform::CommPort& port_;
  std::string label_;
  bool trace_;
  link::FrameReceiver receiver_{*this};
  std::uint64_t bytes_ = 0;
  std::uint64_t frames_ = 0;
  std::uint64_t heartbeats_ = 0;
  std::optional<std::int32_t> heartbeatSpeed_;
};

}  // namespace orvane::ctl
