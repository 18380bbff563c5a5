// Arbitrary line traffic for the frame receiver. Every frame dispatched is checked and decoded the
// way the program's handlers decode it, and a second receiver that takes the same bytes one at a
// time must dispatch the same frames. The whole input, taken as UTF-8 text, also goes through the
// settings encoder and back.
//
// Input: a run of records. A record's first byte b says what the line reports:
//   b < 0xF0   bytes received: the next b bytes of the input (fewer at its end; b = 0 is empty)
//   b >= 0xF0  a line framing error

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string_view>
#include <vector>

#include "link/Frame.h"
#include "link/FrameReceiver.h"
#include "link/SettingsMessages.h"

namespace {

using namespace orvane::link;
using Bytes = std::vector<std::uint8_t>;

#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (false)

struct Sink final : FrameSink {
  void Output(std::span<const std::uint8_t> f) override { frames.emplace_back(f.begin(), f.end()); }
  std::vector<Bytes> frames;
};

// Decoded texts are always encodable, and a write of them carries the payload's texts again: it
// starts the payload (which may go on past a third NUL), or is the payload and a NUL for each
// text that was missing.
void CheckTexts(const Setting& s, std::span<const std::uint8_t> texts) {
  Sink sink;
  const SendResult result = SendSettingWrite(sink, s.section, s.name, s.value);
  FUZZ_CHECK(result != SendResult::Unencodable);
  FUZZ_CHECK(sink.frames.size() == (result == SendResult::Sent ? 1U : 0U));
  FUZZ_CHECK(!sink.frames.empty() || texts.size() > 252);  // refused only if 3 NULs don't fit
  if (sink.frames.empty()) return;
  const std::span<const std::uint8_t> sent(sink.frames[0]);
  const auto again = sent.subspan(kPayloadOffset, sent.size() - kFrameOverhead);
  const std::size_t common = std::min(again.size(), texts.size());
  FUZZ_CHECK(std::equal(again.begin(), again.begin() + common, texts.begin()));
  FUZZ_CHECK(std::all_of(again.begin() + common, again.end(), [](auto b) { return b == 0; }));
}

struct Checker final : MessageHandlers {
  void OnHeartbeat() override { Record(0xFFFF, rx.rxBuffer().first(8 + rx.rxBuffer()[5])); }
  void OnSettingReadResponse(std::span<const std::uint8_t> frame) override {
    Record(0x00A5, frame);
    CheckTexts(ParseReadResponse(frame), frame.subspan(kPayloadOffset, frame[kLengthOffset]));
  }
  void OnSettingWriteResponse(std::span<const std::uint8_t> frame) override {
    Record(0x00AF, frame);
    const WriteResponse r = ParseWriteResponse(frame);
    const std::uint8_t n = frame[kLengthOffset];
    FUZZ_CHECK(r.status == (n > 0 ? frame[kPayloadOffset] : 255));
    CheckTexts(r.setting, frame.subspan(kPayloadOffset + 1, n > 0 ? n - 1 : 0));
  }
  // The frame is the one just verified, still in the receive buffer, exactly 8 + N bytes.
  void Record(std::uint16_t type, std::span<const std::uint8_t> frame) {
    FUZZ_CHECK(frame.data() == rx.rxBuffer().data());
    FUZZ_CHECK(frame.size() == kFrameOverhead + frame[kLengthOffset] && frame[0] == kPreamble);
    FUZZ_CHECK((frame[1] | (frame[2] << 8)) == type && rx.framingErrors() == 0);
    seen.emplace_back(frame.begin(), frame.end());
  }
  FrameReceiver rx{*this};
  std::vector<Bytes> seen;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Checker chunked, single;
  FrameReceiver &rx = chunked.rx, &byByte = single.rx;
  for (std::size_t at = 0; at < size;) {
    const std::uint8_t op = data[at++];
    const std::span<const std::uint8_t> rest(data + at, size - at);
    if (op < 0xF0) {
      const auto bytes = rest.first(std::min<std::size_t>(op, rest.size()));
      at += bytes.size();
      rx.Receive(bytes);
      for (const std::uint8_t& b : bytes) byByte.Receive({&b, 1});
    } else {
      rx.CountFramingError();
      byByte.CountFramingError();
    }
    FUZZ_CHECK(rx.framingErrors() >= 0 && rx.framingErrors() <= 10);
    FUZZ_CHECK(rx.framingErrors() == byByte.framingErrors() && rx.state() == byByte.state());
    FUZZ_CHECK(rx.rxIndex() + rx.rxRemaining() <= static_cast<int>(kMaxFrame));
    FUZZ_CHECK(chunked.seen == single.seen);
  }

  // Any text is sent whole and decodes to itself, or is refused and nothing is sent.
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  Sink sink;
  if (SendSettingWrite(sink, text, "", "") == SendResult::Sent) {
    const Bytes& frame = sink.frames.at(0);
    FUZZ_CHECK(frame.size() == kFrameOverhead + frame[kLengthOffset]);
    FUZZ_CHECK(sink.frames.size() == 1 && ParseReadResponse(frame).section == text);
  } else {
    FUZZ_CHECK(sink.frames.empty());
  }
  return 0;
}
