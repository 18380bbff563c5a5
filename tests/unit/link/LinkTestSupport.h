#pragma once
// Small helpers shared by the message link's tests: a sink that records every frame sent, handlers
// that record every frame dispatched (copied at the moment of the call), and a receiver rig.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "link/Frame.h"
#include "link/FrameReceiver.h"

namespace orvane::link::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

inline Bytes BytesOf(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

class RecordingSink final : public FrameSink {
 public:
  void Output(std::span<const std::uint8_t> frame) override {
    frames.emplace_back(frame.begin(), frame.end());
  }
  std::vector<Bytes> frames;
};

// Which handler saw a frame, and the frame as it stood in the receive buffer during the call.
struct Dispatch {
  enum Kind { Heartbeat, ReadResponse, WriteResponse } kind;
  Bytes frame;  // empty for heartbeats: their handler gets no frame
  friend bool operator==(const Dispatch&, const Dispatch&) = default;
};

class RecordingHandlers final : public MessageHandlers {
 public:
  void OnHeartbeat() override { seen.push_back({Dispatch::Heartbeat, {}}); }
  void OnSettingReadResponse(std::span<const std::uint8_t> frame) override {
    seen.push_back({Dispatch::ReadResponse, Bytes(frame.begin(), frame.end())});
  }
  void OnSettingWriteResponse(std::span<const std::uint8_t> frame) override {
    seen.push_back({Dispatch::WriteResponse, Bytes(frame.begin(), frame.end())});
  }
  std::vector<Dispatch> seen;
};

// Everything the receiver keeps between events.
struct RxSnapshot {
  std::int16_t state, index, remaining, framingErrors;
  Bytes buffer;
  friend bool operator==(const RxSnapshot&, const RxSnapshot&) = default;
};

inline RxSnapshot Snapshot(const FrameReceiver& rx) {
  const auto buffer = rx.rxBuffer();
  return {rx.rxState(), rx.rxIndex(), rx.rxRemaining(), rx.framingErrors(),
          Bytes(buffer.begin(), buffer.end())};
}

inline void Receive(FrameReceiver& rx, std::span<const std::uint8_t> bytes) {
  rx.GPS_OnComm({comEvReceive, bytes});
}

inline void LineEvent(FrameReceiver& rx, std::int16_t code) {
  rx.GPS_OnComm({code, {}});
}

}  // namespace orvane::link::test
