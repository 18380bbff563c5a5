#pragma once
// The frame receiver: turns the bytes that arrive from the receiver into verified frames and hands
// each one, by message type, to its handler. It also counts the line's framing errors since the
// last verified frame, which is how the baud-rate search judges a speed.
//
// Resynchronisation rule. The receiver hunts for a 0x55 preamble, then takes exactly five header
// bytes and N + 2 more (payload and CRC), N being whatever byte arrived in the length position,
// before it hunts again. Inside a frame every byte is data, 0x55 included. There is no time-out:
// a partial frame waits for its remaining bytes however long that takes, also across a change of
// port. Only start-up and a change of line speed by the baud-rate search (after which nothing
// heard before can finish a frame) make it hunt afresh. A false preamble in noise is dropped at
// the CRC check, and a genuine frame that started inside the bytes it swallowed is lost with it.
//
// The receiver does no I/O: bytes arrive through Receive and leave only as handler calls.

#include <array>
#include <cstdint>
#include <span>

namespace orvane::link {

// Owner of the three message types that are handled. Each handler runs inside Receive, before the
// next byte is taken, and gets the verified frame (preamble to CRC) in the receive buffer.
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

  enum class State : std::uint8_t {
    Hunting,  // looking for a preamble
    Header,   // taking type, sender and length
    Body,     // taking payload and CRC
  };

  explicit FrameReceiver(MessageHandlers& handlers) : handlers_(handlers) {}

  // Bytes received, in order; a frame may be split over any number of calls.
  void Receive(std::span<const std::uint8_t> bytes);
  // The line reported a framing error. Counted up to kFramingErrorLimit.
  void CountFramingError();
  // Hunt for a preamble afresh, dropping any partial frame. Nothing else is reset.
  void Restart() {
    RxIndex = 0;
    RxState = State::Hunting;
  }

  std::int16_t framingErrors() const { return FramingErrors; }
  // Frames verified since the program started (wraps around); lets the baud-rate search tell
  // whether a frame arrived at a speed on ports that cannot report framing errors.
  std::uint32_t verifiedFrames() const { return verifiedFrames_; }

  State state() const { return RxState; }
  std::int16_t rxIndex() const { return RxIndex; }
  std::int16_t rxRemaining() const { return RxRemaining; }
  std::span<const std::uint8_t> rxBuffer() const { return RxBuffer; }

 private:
  void CompleteFrame();
  void ProcessMessage(std::span<const std::uint8_t> frame);

  MessageHandlers& handlers_;
  std::array<std::uint8_t, kRxBufferSize> RxBuffer{};
  std::int16_t RxIndex = 0;
  State RxState = State::Hunting;
  std::int16_t RxRemaining = 0;
  std::int16_t FramingErrors = 0;
  std::uint32_t verifiedFrames_ = 0;
};

}  // namespace orvane::link
