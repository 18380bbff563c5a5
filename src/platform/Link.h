// SPDX-License-Identifier: Apache-2.0
#pragma once
// A link to a receiver, whatever carries it (a serial port, a TCP connection): it opens, takes
// whole frames out, hands received bytes in, and closes. Only the platform layer touches the
// device; the logic sees this.

#include <cstdint>
#include <functional>
#include <span>
#include <utility>

#include "link/Frame.h"

namespace orvane::platform {

class Link : public link::FrameSink {
 public:
  using BytesHandler = std::function<void(std::span<const std::uint8_t>)>;

  virtual ~Link() = default;

  // May fail (no such device, in use, refused); a failed open leaves the link closed. A link
  // still connecting counts as open: it closes by itself if the connection is refused.
  virtual bool Open() = 0;
  // Harmless on a closed link.
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // link::FrameSink::Output sends one whole frame in one write; nothing on a closed link.

  // Every byte received, in order, as it arrives; never called from inside Output.
  void SetBytesHandler(BytesHandler handler) { onBytes_ = std::move(handler); }

 protected:
  void DeliverBytes(std::span<const std::uint8_t> bytes) {
    if (onBytes_ && !bytes.empty()) onBytes_(bytes);
  }

 private:
  BytesHandler onBytes_;
};

}  // namespace orvane::platform
