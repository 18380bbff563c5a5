// SPDX-License-Identifier: Apache-2.0
#pragma once
// The SBP frame as it travels on the serial line:
//   offset 0      preamble 0x55
//   offset 1..2   message type, little-endian
//   offset 3..4   sender id, little-endian
//   offset 5      payload length N (0..255)
//   offset 6..    N payload bytes
//   offset 6+N    CRC-16 low byte, then high byte, over offsets 1..5+N

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace orvane::link {

inline constexpr std::uint8_t kPreamble = 0x55;
inline constexpr std::uint16_t kSenderId = 0x0042;  // on every frame this program sends

inline constexpr std::size_t kTypeOffset = 1;
inline constexpr std::size_t kSenderOffset = 3;
inline constexpr std::size_t kLengthOffset = 5;
inline constexpr std::size_t kPayloadOffset = 6;
inline constexpr std::size_t kFrameOverhead = 8;  // header (6) + CRC (2)
inline constexpr std::size_t kMaxPayload = 255;
inline constexpr std::size_t kMaxFrame = kFrameOverhead + kMaxPayload;  // 263

// The message types this program sends and recognises.
enum class MsgType : std::uint16_t {
  SettingsWrite = 0x00A0,
  SettingsSave = 0x00A1,
  SettingsReadRequest = 0x00A4,
  SettingsReadResponse = 0x00A5,
  SettingsWriteResponse = 0x00AF,
  Heartbeat = 0xFFFF,
};

// One whole frame of exactly 8 + N bytes around the payload, CRC included.
// The payload must not exceed kMaxPayload bytes; a longer one yields an empty vector.
std::vector<std::uint8_t> BuildFrame(std::uint16_t type, std::uint16_t sender,
                                     std::span<const std::uint8_t> payload);

inline std::vector<std::uint8_t> BuildFrame(MsgType type, std::span<const std::uint8_t> payload) {
  return BuildFrame(static_cast<std::uint16_t>(type), kSenderId, payload);
}

// A whole frame's message type and sender, little-endian in its header. The frame must hold at
// least its header.
inline std::uint16_t FrameType(std::span<const std::uint8_t> frame) {
  return static_cast<std::uint16_t>(frame[kTypeOffset] | frame[kTypeOffset + 1] << 8);
}
inline std::uint16_t FrameSender(std::span<const std::uint8_t> frame) {
  return static_cast<std::uint16_t>(frame[kSenderOffset] | frame[kSenderOffset + 1] << 8);
}

// Where a frame's output goes: the serial port, or a test's recorder. One call, one whole frame.
class FrameSink {
 public:
  virtual void Output(std::span<const std::uint8_t> frame) = 0;

 protected:
  ~FrameSink() = default;
};

}  // namespace orvane::link
