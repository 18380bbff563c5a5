// SPDX-License-Identifier: Apache-2.0
#pragma once
// The frame receiver: turns the bytes that arrive from the receiver into verified frames and hands
// each one, by message type, to its handler. It also counts the line's framing errors since the
// last verified frame, which is how the baud-rate search judges a speed.
//
// Resynchronisation rule.
//  1. Hunting, the receiver drops every byte up to a 0x55 preamble. That byte starts a candidate
//     frame: the five header bytes after it and N + 2 more (payload and CRC) belong to it, N being
//     whatever byte stands in the length position. Inside a candidate every byte is data, 0x55
//     included.
//  2. When the candidate's last byte is in, its CRC is checked.
//     - It matches: the frame is dispatched and its bytes are consumed. Hunting goes on with the
//       bytes after it.
//     - It fails: only the candidate's preamble is consumed. Hunting goes on with the byte after
//       it, over the candidate's bytes (which are kept) and then over the bytes still to come.
//       So a genuine frame that began inside a false one (a 0x55 in noise) is still found,
//       whether it ends inside the false frame or beyond it, and frames come out in line order.
//       Such a frame waits until every candidate that began before it is settled: at most
//       until the 262nd byte after its own preamble has come.
//  3. There is no time-out: a candidate waits for its remaining bytes however long that takes,
//     also across a change of port. Only start-up and Restart (a change of line speed by the
//     baud-rate search, after which nothing heard before can finish a frame) drop the bytes held
//     and hunt afresh.
//
// Cost. Each byte is stored once. A byte is looked at again only after a failed check of a
// candidate that began before it, and the hunt that follows stops at the next 0x55, so the hunts
// cover every byte about once. A check costs a few table look-ups whatever the frame's length:
// the CRC of any stretch of held bytes follows from running CRC registers (Crc16AfterZeros).
// Every 0x55 received starts at most one candidate, so the worst line is a flood of 0x55, where
// every byte starts a false frame: one failed check per byte on top of storing it.
//
// The receiver does no I/O: bytes arrive through Receive and leave only as handler calls.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

namespace orvane::link {

// Owner of the three message types that are handled. Each handler runs inside Receive, before the
// next byte is taken, and gets the verified frame (preamble to CRC), which stays valid only while
// the handler runs.
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
  static constexpr std::int16_t kFramingErrorLimit = 10;

  enum class State : std::uint8_t {
    Hunting,  // looking for a preamble
    Header,   // taking type, sender and length
    Body,     // taking payload and CRC
  };

  using FrameObserver = std::function<void(std::span<const std::uint8_t> frame)>;

  explicit FrameReceiver(MessageHandlers& handlers) : handlers_(handlers) {}

  // Bytes received, in order; a frame may be split over any number of calls.
  void Receive(std::span<const std::uint8_t> bytes);
  // The line reported a framing error. Counted up to kFramingErrorLimit.
  void CountFramingError();
  // Hunt for a preamble afresh, dropping every byte held. Nothing else is reset.
  void Restart();
  // Whether the line since the last Restart (a change of speed) runs at the sender's speed. On a
  // line that reports framing errors: none since the last verified frame. A line that cannot
  // report them would call every speed clean, so there a frame must have verified since.
  bool SpeedIsClean(bool lineReportsFramingErrors) const;
  // Called with every verified frame, of any type, just before it is dispatched; empty for none.
  void SetFrameObserver(FrameObserver observer) { observer_ = std::move(observer); }

  std::int16_t framingErrors() const { return framingErrors_; }
  // Frames verified since the program started (wraps around).
  std::uint32_t verifiedFrames() const { return verifiedFrames_; }

  State state() const { return state_; }
  // Bytes held from the current candidate's preamble on: never more than one whole frame.
  std::size_t heldBytes() const { return end_ - start_; }

 private:
  // Room for a few frames, so that a hunt over held bytes rarely has to move them to the front.
  static constexpr std::size_t kCapacity = 2048;

  // Hunts afresh with nothing held (also when a hunt runs out of held bytes).
  void DropHeld();
  void Take(std::span<const std::uint8_t> bytes);
  void RunUpTo(std::size_t stop);
  void Settle();
  bool Verified(std::size_t frameSize);
  void Dispatch(std::span<const std::uint8_t> frame);
  void Compact();

  MessageHandlers& handlers_;
  FrameObserver observer_;
  // buffer_[start_, end_) holds the candidate, preamble first; bytes before start_ are done with.
  std::array<std::uint8_t, kCapacity> buffer_{};
  std::size_t start_ = 0;
  std::size_t end_ = 0;
  // running_[i] is a CRC register run over the held bytes up to position i, valid for positions
  // start_ + 1 to runningEnd_ (which may lag behind end_); the CRC of any stretch of held bytes
  // follows from two of them.
  std::array<std::uint16_t, kCapacity + 1> running_{};
  std::size_t runningEnd_ = 0;
  State state_ = State::Hunting;
  std::uint32_t restarts_ = 0;
  std::int16_t framingErrors_ = 0;
  std::uint32_t verifiedFrames_ = 0;
  std::uint32_t framesAtRestart_ = 0;
};

}  // namespace orvane::link
