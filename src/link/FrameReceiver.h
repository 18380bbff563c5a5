#pragma once
// The frame receiver: turns the serial control's communication events into verified frames and
// hands each one, by message type, to its handler.
//
// Resynchronisation rule. The receiver hunts for a 0x55 preamble, then takes exactly five header
// bytes and N + 2 more (payload and CRC), N being whatever byte arrived in the length position,
// before it hunts again. Inside a frame every byte is data, 0x55 included. There is no time-out:
// a partial frame waits for its remaining bytes however long that takes, also across a change of
// port. Only start-up and a change of line speed by the baud-rate search (after which nothing
// heard before can finish a frame) make it hunt afresh. A false preamble in noise is dropped at
// the CRC check, and a genuine frame that started inside the bytes it swallowed is lost with it.
//
// The receiver does no I/O: bytes arrive through GPS_OnComm and leave only as handler calls.

#include <array>
#include <cstdint>
#include <span>

namespace orvane::link {

// Codes of the serial control's communication event that the receiver acts on.
inline constexpr std::int16_t comEvReceive = 2;     // bytes received
inline constexpr std::int16_t comEventFrame = 1004;  // line framing error

struct CommEvent {
  std::int16_t code = comEvReceive;
  std::span<const std::uint8_t> input;  // every byte that was waiting, in order; code 2 only
};

// Owner of the three message types that are handled. Each handler runs inside GPS_OnComm, before
// the next byte is taken, and gets the verified frame (preamble to CRC) that is in RxBuffer.
class MessageHandlers {
 public:
  virtual void OnHeartbeat() = 0;
  virtual void OnSettingReadResponse(std::span<const std::uint8_t> frame) = 0;
  virtual void OnSettingWriteResponse(std::span<const std::uint8_t> frame) = 0;

 protected:
  ~MessageHandlers() = default;
};

class FrameReceiver {
 public:
  static constexpr std::size_t kRxBufferSize = 301;
  static constexpr std::int16_t kFramingErrorLimit = 10;

  explicit FrameReceiver(MessageHandlers& handlers) : handlers_(handlers) {}

  void GPS_OnComm(const CommEvent& event);

  // Start-up: hunt for a preamble. Nothing else is reset.
  void Reset() {
    RxIndex = 0;
    RxState = 0;
  }

  std::int16_t framingErrors() const { return FramingErrors; }
  // Frames verified since the program started (wraps around); lets the baud-rate search tell
  // whether a frame arrived at a speed on ports that cannot report framing errors.
  std::uint32_t verifiedFrames() const { return verifiedFrames_; }

  std::int16_t rxState() const { return RxState; }
  std::int16_t rxIndex() const { return RxIndex; }
  std::int16_t rxRemaining() const { return RxRemaining; }
  std::span<const std::uint8_t> rxBuffer() const { return RxBuffer; }

 private:
  void Feed(std::span<const std::uint8_t> bytes);
  void CompleteFrame();
  void ProcessMessage(std::span<const std::uint8_t> frame);

  MessageHandlers& handlers_;
  std::array<std::uint8_t, kRxBufferSize> RxBuffer{};
  std::int16_t RxIndex = 0;
  std::int16_t RxState = 0;  // 0 hunting, 1 header, 2 payload and CRC
  std::int16_t RxRemaining = 0;
  std::int16_t FramingErrors = 0;
  std::uint32_t verifiedFrames_ = 0;
};

}  // namespace orvane::link
