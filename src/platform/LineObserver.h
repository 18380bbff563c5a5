// SPDX-License-Identifier: Apache-2.0
#pragma once
// Something that watches a port's one frame stream without taking part in it: a trace of the
// link, a diagnosis of how far the line got. The link core tells each observer what crosses the
// port (bytes in, frames out, every verified frame in, each heartbeat) and when the line changed
// under it; what the frames mean stays the logic's business.

#include <cstdint>
#include <span>

namespace orvane::platform {

enum class LineChange : std::uint8_t {
  Speed,     // the line was set to new settings: nothing heard before can finish a frame
  Reopened,  // the port was opened (again), or a connection made again
};

class LineObserver {
 public:
  // Bytes as they arrive, before they are looked through for frames.
  virtual void OnBytesReceived(std::span<const std::uint8_t> /*bytes*/) {}
  // A whole frame going out on an open port.
  virtual void OnFrameSent(std::span<const std::uint8_t> /*frame*/) {}
  // A verified frame of any type, just before its message is dispatched.
  virtual void OnFrameReceived(std::span<const std::uint8_t> /*frame*/) {}
  virtual void OnHeartbeat() {}
  virtual void OnLineChanged(LineChange /*change*/) {}

 protected:
  ~LineObserver() = default;
};

}  // namespace orvane::platform
