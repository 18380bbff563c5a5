// SPDX-License-Identifier: Apache-2.0
#include "link/FrameReceiver.h"

#include <algorithm>
#include <cstring>

#include "link/Checksum.h"
#include "link/Frame.h"

namespace orvane::link {

void FrameReceiver::CountFramingError() {
  framingErrors_ = std::min<std::int16_t>(framingErrors_ + 1, kFramingErrorLimit);
}

void FrameReceiver::Restart() {
  DropHeld();
  framesAtRestart_ = verifiedFrames_;
}

void FrameReceiver::DropHeld() {
  start_ = end_ = 0;
  state_ = State::Hunting;
  ++restarts_;
}

bool FrameReceiver::SpeedIsClean(bool lineReportsFramingErrors) const {
  if (lineReportsFramingErrors) return framingErrors_ == 0;
  return verifiedFrames_ != framesAtRestart_;
}

// Noise is skipped and frame bytes are stored in bulk; the outcome is the same as taking one byte
// at a time.
void FrameReceiver::Receive(std::span<const std::uint8_t> bytes) {
  const std::uint8_t* p = bytes.data();
  const std::uint8_t* const end = p + bytes.size();
  while (p != end) {
    if (state_ == State::Hunting) {
      p = static_cast<const std::uint8_t*>(std::memchr(p, kPreamble, end - p));
      if (p == nullptr) return;
      start_ = 0;
      end_ = 1;
      buffer_[0] = *p++;
      running_[1] = 0;
      runningEnd_ = 1;
      state_ = State::Header;
      continue;
    }
    const std::size_t wanted =
        state_ == State::Header ? kPayloadOffset : kFrameOverhead + buffer_[start_ + kLengthOffset];
    const std::size_t missing = wanted - heldBytes();
    const auto taken = std::min<std::size_t>(missing, static_cast<std::size_t>(end - p));
    Take({p, taken});
    p += taken;
    if (taken == missing) Settle();
  }
}

void FrameReceiver::Take(std::span<const std::uint8_t> bytes) {
  if (end_ + bytes.size() > kCapacity) Compact();
  std::memcpy(buffer_.data() + end_, bytes.data(), bytes.size());
  end_ += bytes.size();
}

// Carries the running CRC on over the held bytes up to position `stop`. Done only when a check
// needs it, so that a frame that arrives in pieces is still run through in one go.
void FrameReceiver::RunUpTo(std::size_t stop) {
  if (stop <= runningEnd_) return;
  const std::uint8_t* byte = buffer_.data() + runningEnd_;
  std::uint16_t* running = running_.data() + runningEnd_;
  std::uint16_t reg = *running;
  for (std::size_t n = stop - runningEnd_; n != 0; --n) {
    reg = checksum::Crc16Update(reg, *byte++);
    *++running = reg;
  }
  runningEnd_ = stop;
}

// Moves the held bytes, and the running CRCs over them, to the front of the buffer.
void FrameReceiver::Compact() {
  const std::size_t held = heldBytes();
  std::memmove(buffer_.data(), buffer_.data() + start_, held);
  std::memmove(running_.data() + 1, running_.data() + start_ + 1,
               (runningEnd_ - start_) * sizeof running_[0]);
  runningEnd_ -= start_;
  start_ = 0;
  end_ = held;
}

// Acts on every candidate that the held bytes complete, until one needs bytes still to come.
void FrameReceiver::Settle() {
  const std::uint32_t restarts = restarts_;
  for (;;) {
    const std::size_t held = heldBytes();
    if (held < kPayloadOffset) {
      state_ = State::Header;
      return;
    }
    const std::size_t size = kFrameOverhead + buffer_[start_ + kLengthOffset];
    if (held < size) {
      state_ = State::Body;
      return;
    }
    std::size_t next = start_ + 1;
    if (Verified(size)) {
      Dispatch({buffer_.data() + start_, size});
      if (restarts_ != restarts) return;  // a handler dropped what was held
      next = start_ + size;
    }
    const void* found = std::memchr(buffer_.data() + next, kPreamble, end_ - next);
    if (found == nullptr) {
      DropHeld();
      return;
    }
    start_ = static_cast<std::size_t>(static_cast<const std::uint8_t*>(found) - buffer_.data());
    RunUpTo(start_ + 1);
  }
}

// The CRC covers the frame from its type to its payload's end, and follows from the running CRCs
// at either end of that stretch.
bool FrameReceiver::Verified(std::size_t size) {
  const std::size_t first = start_ + kTypeOffset;
  const std::size_t stop = start_ + size - 2;
  RunUpTo(stop);
  const auto crc = static_cast<std::uint16_t>(
      running_[stop] ^ checksum::Crc16AfterZeros(running_[first], stop - first));
  return buffer_[stop] == (crc & 0xFFU) && buffer_[stop + 1] == (crc >> 8);
}

void FrameReceiver::Dispatch(std::span<const std::uint8_t> frame) {
  framingErrors_ = 0;
  ++verifiedFrames_;
  if (observer_) observer_(frame);
  switch (static_cast<MsgType>(FrameType(frame))) {
    case MsgType::Heartbeat:
      handlers_.OnHeartbeat();
      break;
    case MsgType::SettingsReadResponse:
      handlers_.OnSettingReadResponse(frame);
      break;
    case MsgType::SettingsWriteResponse:
      handlers_.OnSettingWriteResponse(frame);
      break;
    default:  // any other type, however valid, is not ours
      break;
  }
}

}  // namespace orvane::link
