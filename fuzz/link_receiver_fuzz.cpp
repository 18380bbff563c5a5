// SPDX-License-Identifier: Apache-2.0
// Arbitrary line traffic for the frame receiver. Three readers take the same traffic: the receiver
// fed the events as they come, the receiver fed one byte at a time, and a reference written
// separately and plainly from the resynchronisation rule (whole stream, indices, its own CRC).
// All three must find the same frames in the same order, and agree on what is held at the end
// and on the framing-error count. Every frame dispatched is decoded the way the program's handlers
// decode it, and described for the trace. The whole input, taken as UTF-8 text, also goes through
// the settings encoder and back.
//
// Input (at most kMaxInput bytes): a run of records. A record's first byte b says what happens:
//   b < 0xF0          bytes received: the next b bytes of the input (fewer at its end)
//   0xF0 <= b < 0xFF  a line framing error
//   b == 0xFF         the line changes speed: the receiver restarts

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "link/Frame.h"
#include "link/FrameReceiver.h"
#include "link/FrameText.h"
#include "link/SettingsMessages.h"

namespace {

using namespace orvane::link;
using Bytes = std::vector<std::uint8_t>;

// Several whole frames; longer inputs only slow the search down.
constexpr std::size_t kMaxInput = 512;

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

std::uint16_t TypeOf(std::span<const std::uint8_t> frame) {
  return static_cast<std::uint16_t>(frame[1] | frame[2] << 8);
}

// A receiver under test: every verified frame as the observer saw it, and the handled ones.
// Only one of two receivers that must agree needs to decode and describe what it dispatches.
struct Checker final : MessageHandlers {
  explicit Checker(bool decoding) : decoding(decoding) {
    rx.SetFrameObserver([this](std::span<const std::uint8_t> frame) {
      FUZZ_CHECK(frame.size() == kFrameOverhead + frame[kLengthOffset] && frame[0] == kPreamble);
      FUZZ_CHECK(rx.framingErrors() == 0);
      if (this->decoding) {
        const std::string text = DescribeFrame(frame);
        FUZZ_CHECK(!text.empty() && text.find('\n') == std::string::npos);
      }
      verified.emplace_back(frame.begin(), frame.end());
    });
  }
  void OnHeartbeat() override { Handled(0xFFFF); }
  void OnSettingReadResponse(std::span<const std::uint8_t> frame) override {
    Handled(0x00A5, frame);
    if (!decoding) return;
    CheckTexts(ParseReadResponse(frame), frame.subspan(kPayloadOffset, frame[kLengthOffset]));
  }
  void OnSettingWriteResponse(std::span<const std::uint8_t> frame) override {
    Handled(0x00AF, frame);
    if (!decoding) return;
    const WriteResponse r = ParseWriteResponse(frame);
    const std::uint8_t n = frame[kLengthOffset];
    FUZZ_CHECK(r.status == (n > 0 ? frame[kPayloadOffset] : 255));
    CheckTexts(r.setting, frame.subspan(kPayloadOffset + 1, n > 0 ? n - 1 : 0));
  }
  // Each handler call follows the observer's call for the same frame.
  void Handled(std::uint16_t type, std::span<const std::uint8_t> frame = {}) {
    FUZZ_CHECK(!verified.empty() && TypeOf(verified.back()) == type);
    FUZZ_CHECK(frame.empty() || std::equal(frame.begin(), frame.end(), verified.back().begin(),
                                           verified.back().end()));
    ++handled;
  }
  bool decoding;
  FrameReceiver rx{*this};
  std::vector<Bytes> verified;
  std::size_t handled = 0;
};

// The reference's own branches are no guide to the receiver's, so they are left out of the
// coverage that steers the search (which also spares a callback per compared byte).
#define NOT_STEERING __attribute__((no_sanitize("coverage")))

// The reference reader, with a CRC-16/XMODEM of its own, one bit at a time.
struct Reference {
  NOT_STEERING static std::uint16_t Crc(const Bytes& s, std::size_t from, std::size_t to) {
    std::uint16_t reg = 0;
    for (std::size_t i = from; i < to; ++i) {
      for (unsigned bit = 0x80; bit != 0; bit >>= 1) {
        const bool feedback = ((reg & 0x8000U) != 0) != ((s[i] & bit) != 0);
        reg = static_cast<std::uint16_t>(reg << 1);
        if (feedback) reg ^= 0x1021;
      }
    }
    return reg;
  }

  // Reads one stretch of line (between speed changes) to its end.
  NOT_STEERING void Read(const Bytes& s) {
    std::size_t at = 0;
    std::size_t reach = 0;
    held = 0;
    state = FrameReceiver::State::Hunting;
    for (;;) {
      while (at < s.size() && s[at] != 0x55) ++at;  // hunt
      if (at == s.size()) return;
      if (s.size() - at < 6) {
        state = FrameReceiver::State::Header;
        held = s.size() - at;
        return;
      }
      const std::size_t length = 8 + std::size_t{s[at + 5]};
      if (s.size() - at < length) {
        state = FrameReceiver::State::Body;
        held = s.size() - at;
        return;
      }
      // Candidates are settled in line order, each once all its bytes are in: a frame found
      // inside a false one is verified only when the false one's last byte has come.
      reach = std::max(reach, at + length);
      const std::uint16_t crc = Crc(s, at + 1, at + length - 2);
      if (s[at + length - 2] == (crc & 0xFF) && s[at + length - 1] == (crc >> 8)) {
        frames.emplace_back(s.begin() + at, s.begin() + at + length);
        lastVerifiedAt = line + reach;
        at += length;  // a verified frame's bytes are consumed
      } else {
        at += 1;  // a false frame: look again right after its preamble
      }
    }
  }

  std::vector<Bytes> frames;
  FrameReceiver::State state = FrameReceiver::State::Hunting;
  std::size_t held = 0;
  std::size_t line = 0;            // bytes on the line before the stretch being read
  std::size_t lastVerifiedAt = 0;  // bytes on the line when the last frame was verified
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return 0;
  Checker chunked(true), single(false);
  FrameReceiver &rx = chunked.rx, &byByte = single.rx;
  Reference reference;
  Bytes stretch;                             // bytes since the last speed change
  std::vector<std::size_t> framingErrorsAt;  // line position of each framing error
  for (std::size_t at = 0; at < size;) {
    const std::uint8_t op = data[at++];
    const std::span<const std::uint8_t> rest(data + at, size - at);
    if (op < 0xF0) {
      const auto bytes = rest.first(std::min<std::size_t>(op, rest.size()));
      at += bytes.size();
      rx.Receive(bytes);
      for (const std::uint8_t& b : bytes) byByte.Receive({&b, 1});
      stretch.insert(stretch.end(), bytes.begin(), bytes.end());
    } else if (op < 0xFF) {
      rx.CountFramingError();
      byByte.CountFramingError();
      framingErrorsAt.push_back(reference.line + stretch.size());
    } else {
      rx.Restart();
      byByte.Restart();
      reference.Read(stretch);
      reference.line += stretch.size();
      stretch.clear();
      FUZZ_CHECK(rx.state() == FrameReceiver::State::Hunting && rx.heldBytes() == 0);
    }
    FUZZ_CHECK(rx.framingErrors() >= 0 && rx.framingErrors() <= 10);
    FUZZ_CHECK(rx.framingErrors() == byByte.framingErrors() && rx.state() == byByte.state());
    FUZZ_CHECK(rx.heldBytes() == byByte.heldBytes() && rx.heldBytes() <= kMaxFrame);
    FUZZ_CHECK(chunked.verified.size() == single.verified.size());
  }
  reference.Read(stretch);

  FUZZ_CHECK(chunked.verified == reference.frames && single.verified == reference.frames);
  // Exactly the heartbeats, read responses and write responses reach a handler.
  const auto handledTypes =
      std::count_if(reference.frames.begin(), reference.frames.end(), [](const Bytes& f) {
        const std::uint16_t type = TypeOf(f);
        return type == 0xFFFF || type == 0x00A5 || type == 0x00AF;
      });
  FUZZ_CHECK(chunked.handled == static_cast<std::size_t>(handledTypes));
  FUZZ_CHECK(single.handled == chunked.handled);
  FUZZ_CHECK(rx.state() == reference.state && rx.heldBytes() == reference.held);
  // Framing errors count from the last verified frame on, up to ten.
  const auto since = std::count_if(framingErrorsAt.begin(), framingErrorsAt.end(),
                                   [&](std::size_t p) { return p >= reference.lastVerifiedAt; });
  FUZZ_CHECK(rx.framingErrors() == std::min<std::ptrdiff_t>(since, 10));

  // Any run of bytes can be described; any text is sent whole and decodes to itself, or is
  // refused and nothing is sent.
  FUZZ_CHECK(!DescribeFrame({data, size}).empty());
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
