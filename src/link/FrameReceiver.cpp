#include "link/FrameReceiver.h"

#include <algorithm>
#include <cstring>

#include "link/Checksum.h"
#include "link/Frame.h"

namespace orvane::link {

using checksum::MinOf;

void FrameReceiver::CountFramingError() {
  FramingErrors = MinOf(static_cast<std::int16_t>(FramingErrors + 1), kFramingErrorLimit);
}

// Byte by byte in effect; runs of payload are copied and noise is skipped in bulk, which gives
// exactly the same result as taking one byte at a time.
void FrameReceiver::Receive(std::span<const std::uint8_t> bytes) {
  const std::uint8_t* p = bytes.data();
  const std::uint8_t* const end = p + bytes.size();
  while (p != end) {
    switch (RxState) {
      case State::Hunting: {
        p = static_cast<const std::uint8_t*>(std::memchr(p, kPreamble, end - p));
        if (p == nullptr) return;
        RxBuffer[0] = *p++;
        RxIndex = 1;
        RxRemaining = 5;
        RxState = State::Header;
        break;
      }
      case State::Header:
        RxBuffer[RxIndex++] = *p++;
        if (--RxRemaining == 0) {
          RxRemaining = static_cast<std::int16_t>(RxBuffer[kLengthOffset] + 2);
          RxState = State::Body;
        }
        break;
      case State::Body: {
        const auto take = std::min<std::ptrdiff_t>(RxRemaining, end - p);
        std::memcpy(&RxBuffer[RxIndex], p, static_cast<std::size_t>(take));
        p += take;
        RxIndex = static_cast<std::int16_t>(RxIndex + take);
        RxRemaining = static_cast<std::int16_t>(RxRemaining - take);
        if (RxRemaining == 0) CompleteFrame();
        break;
      }
    }
  }
}

void FrameReceiver::CompleteFrame() {
  RxState = State::Hunting;
  const std::int16_t n = RxBuffer[kLengthOffset];
  const std::uint16_t crc =
      checksum::Crc16(RxBuffer, 1, static_cast<std::int16_t>(n + kPayloadOffset));
  const bool verified =
      (crc & 0xFFU) == RxBuffer[kPayloadOffset + n] &&
      checksum::ShiftRight8(static_cast<std::int16_t>(crc)) == RxBuffer[kPayloadOffset + n + 1];
  if (verified) {
    ProcessMessage(std::span<const std::uint8_t>(RxBuffer).first(kFrameOverhead + n));
  }
}

void FrameReceiver::ProcessMessage(std::span<const std::uint8_t> frame) {
  FramingErrors = 0;
  ++verifiedFrames_;
  const auto type = static_cast<std::int16_t>(checksum::ShiftLeft8(frame[2]) | frame[1]);
  switch (type) {
    case static_cast<std::int16_t>(MsgType::Heartbeat):  // -1
      handlers_.OnHeartbeat();
      break;
    case static_cast<std::int16_t>(MsgType::SettingsReadResponse):
      handlers_.OnSettingReadResponse(frame);
      break;
    case static_cast<std::int16_t>(MsgType::SettingsWriteResponse):
      handlers_.OnSettingWriteResponse(frame);
      break;
    default:  // any other type, however valid, is not ours
      break;
  }
}

}  // namespace orvane::link
