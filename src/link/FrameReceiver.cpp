#include "link/FrameReceiver.h"

#include <algorithm>
#include <cstring>

#include "link/Frame.h"
#include "link/GpsLibrary.h"

namespace orvane::link {

using GPS_Library::MinOf;

void FrameReceiver::GPS_OnComm(const CommEvent& event) {
  switch (event.code) {
    case comEvReceive:
      Feed(event.input);
      break;
    case comEventFrame:
      FramingErrors = MinOf(static_cast<std::int16_t>(FramingErrors + 1), kFramingErrorLimit);
      break;
    default:  // every other line or modem event is of no interest
      break;
  }
}

// Byte by byte in effect; runs of payload are copied and noise is skipped in bulk, which gives
// exactly the same result as taking one byte at a time.
void FrameReceiver::Feed(std::span<const std::uint8_t> bytes) {
  const std::uint8_t* p = bytes.data();
  const std::uint8_t* const end = p + bytes.size();
  while (p != end) {
    switch (RxState) {
      case 0: {  // hunting the preamble
        p = static_cast<const std::uint8_t*>(std::memchr(p, kPreamble, end - p));
        if (p == nullptr) return;
        RxBuffer[0] = *p++;
        RxIndex = 1;
        RxRemaining = 5;
        RxState = 1;
        break;
      }
      case 1:  // header: type, sender, length
        RxBuffer[RxIndex++] = *p++;
        if (--RxRemaining == 0) {
          RxRemaining = static_cast<std::int16_t>(RxBuffer[kLengthOffset] + 2);
          RxState = 2;
        }
        break;
      default: {  // payload and CRC
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
  RxState = 0;
  const std::int16_t n = RxBuffer[kLengthOffset];
  const std::uint16_t crc =
      GPS_Library::Crc16(RxBuffer, 1, static_cast<std::int16_t>(n + kPayloadOffset));
  const bool verified =
      (crc & 0xFFU) == RxBuffer[kPayloadOffset + n] &&
      GPS_Library::ShiftRight8(static_cast<std::int16_t>(crc)) == RxBuffer[kPayloadOffset + n + 1];
  if (verified) {
    ProcessMessage(std::span<const std::uint8_t>(RxBuffer).first(kFrameOverhead + n));
  }
}

void FrameReceiver::ProcessMessage(std::span<const std::uint8_t> frame) {
  FramingErrors = 0;
  ++verifiedFrames_;
  const auto type = static_cast<std::int16_t>(GPS_Library::ShiftLeft8(frame[2]) | frame[1]);
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
