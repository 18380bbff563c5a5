// Arbitrary line traffic for the frame receiver, checked against a plain byte-at-a-time model of
// the receiver's state machine. Every frame dispatched is decoded the way the program's handlers
// decode it.
//
// Input: a run of records. A record's first byte b says what the serial control reports:
//   b < 0xF0   bytes received: the next b bytes of the input (fewer at its end; b = 0 is empty)
//   b = 0xF0   line framing error
//   b > 0xF0   one of the fifteen other event codes, all of which the receiver must ignore

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#include "link/Frame.h"
#include "link/FrameReceiver.h"
#include "link/SettingsMessages.h"

namespace {

using namespace orvane::link;

#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (false)

constexpr std::array<std::int16_t, 15> kOtherCodes = {
    1, 3, 4, 5, 6, 7, 1001, 1002, 1003, 1006, 1007, 1008, 1009, 1010, 1011};

std::uint16_t BitwiseCrc(std::span<const std::uint8_t> bytes) {
  std::uint16_t reg = 0;
  for (std::uint8_t b : bytes) {
    reg ^= static_cast<std::uint16_t>(b << 8);
    for (int bit = 0; bit < 8; ++bit) {
      reg = (reg & 0x8000U) ? static_cast<std::uint16_t>((reg << 1) ^ 0x1021U)
                            : static_cast<std::uint16_t>(reg << 1);
    }
  }
  return reg;
}

// The receiver as its rules read, one byte at a time; it records every frame it would dispatch.
struct Model {
  std::array<std::uint8_t, 301> buffer{};
  int index = 0, state = 0, remaining = 0, framingErrors = 0;
  std::vector<std::vector<std::uint8_t>> dispatched;

  void Byte(std::uint8_t b) {
    if (state == 0) {
      if (b == 0x55) {
        buffer[0] = b;
        index = 1;
        remaining = 5;
        state = 1;
      }
      return;
    }
    buffer[index++] = b;
    if (--remaining != 0) return;
    if (state == 1) {
      remaining = buffer[5] + 2;
      state = 2;
      return;
    }
    state = 0;
    const int n = buffer[5];
    const std::uint16_t crc = BitwiseCrc(std::span(buffer).subspan(1, n + 5));
    if ((crc & 0xFF) != buffer[6 + n] || (crc >> 8) != buffer[7 + n]) return;
    framingErrors = 0;
    const int type = buffer[1] | (buffer[2] << 8);
    if (type == 0xFFFF || type == 0x00A5 || type == 0x00AF) {
      dispatched.emplace_back(buffer.begin(), buffer.begin() + 8 + n);
    }
  }
};

class CheckingHandlers final : public MessageHandlers {
 public:
  const FrameReceiver* rx = nullptr;
  std::vector<std::vector<std::uint8_t>> dispatched;

  void OnHeartbeat() override { Record(rx->rxBuffer().first(8 + rx->rxBuffer()[5]), 0xFFFF); }
  void OnSettingReadResponse(std::span<const std::uint8_t> frame) override {
    Record(frame, 0x00A5);
    CheckTexts(ParseReadResponse(frame), frame[5]);
  }
  void OnSettingWriteResponse(std::span<const std::uint8_t> frame) override {
    Record(frame, 0x00AF);
    const WriteResponse response = ParseWriteResponse(frame);
    FUZZ_CHECK(response.status >= 0 && response.status <= 255);
    if (frame[5] > 0) FUZZ_CHECK(response.status == frame[6]);
    CheckTexts(response.setting, frame[5] > 0 ? frame[5] - 1 : 0);
  }

 private:
  void Record(std::span<const std::uint8_t> frame, std::uint16_t type) {
    // The frame is the one just verified, still in the receive buffer, exactly 8 + N bytes.
    FUZZ_CHECK(frame.data() == rx->rxBuffer().data());
    FUZZ_CHECK(frame.size() == kFrameOverhead + frame[kLengthOffset]);
    FUZZ_CHECK(frame[0] == kPreamble);
    FUZZ_CHECK((frame[1] | (frame[2] << 8)) == type);
    FUZZ_CHECK(rx->framingErrors() == 0);
    dispatched.emplace_back(frame.begin(), frame.end());
  }

  // Decoded texts come from the payload alone, and any that fit a write go out again unchanged.
  static void CheckTexts(const Setting& s, std::size_t textBytes) {
    const auto section = ToLatin1(s.section), name = ToLatin1(s.name), value = ToLatin1(s.value);
    FUZZ_CHECK(section && name && value);  // decoded texts are always encodable
    const std::size_t chars = section->size() + name->size() + value->size();
    FUZZ_CHECK(chars <= textBytes);
    struct Sink final : FrameSink {
      std::vector<std::vector<std::uint8_t>> frames;
      void Output(std::span<const std::uint8_t> f) override {
        frames.emplace_back(f.begin(), f.end());
      }
    } sink;
    const SendResult result = SendSettingWrite(sink, s.section, s.name, s.value);
    if (chars + 3 > kMaxPayload) {
      FUZZ_CHECK(result == SendResult::TooLong && sink.frames.empty());
      return;
    }
    FUZZ_CHECK(result == SendResult::Sent && sink.frames.size() == 1);
    const auto& frame = sink.frames[0];
    FUZZ_CHECK(frame.size() == kFrameOverhead + chars + 3 && frame[kLengthOffset] == chars + 3);
    const auto echo = BuildFrame(0x00A5, 0x1234, std::span(frame).subspan(6, chars + 3));
    FUZZ_CHECK(ParseReadResponse(echo) == s);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CheckingHandlers handlers;
  FrameReceiver rx(handlers);
  handlers.rx = &rx;
  Model model;

  std::size_t at = 0;
  while (at < size) {
    const std::uint8_t op = data[at++];
    if (op < 0xF0) {
      const std::size_t n = std::min<std::size_t>(op, size - at);
      const std::span<const std::uint8_t> bytes(data + at, n);
      at += n;
      rx.GPS_OnComm({comEvReceive, bytes});
      for (std::uint8_t b : bytes) model.Byte(b);
    } else if (op == 0xF0) {
      rx.GPS_OnComm({comEventFrame, {}});
      model.framingErrors = std::min(model.framingErrors + 1, 10);
    } else {
      // Bytes handed along with an ignored event must be ignored as well.
      const std::span<const std::uint8_t> rest(data + at, size - at);
      rx.GPS_OnComm({kOtherCodes[op - 0xF1], rest});
    }
    FUZZ_CHECK(rx.framingErrors() >= 0 && rx.framingErrors() <= 10);
    FUZZ_CHECK(rx.framingErrors() == model.framingErrors);
    FUZZ_CHECK(rx.rxState() == model.state);
    FUZZ_CHECK(rx.rxIndex() == model.index && rx.rxRemaining() == model.remaining);
    FUZZ_CHECK(std::equal(model.buffer.begin(), model.buffer.end(), rx.rxBuffer().begin()));
    FUZZ_CHECK(handlers.dispatched == model.dispatched);
  }
  return 0;
}
