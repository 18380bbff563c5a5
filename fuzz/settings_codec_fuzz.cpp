// Arbitrary texts for the settings encoders: a frame goes out whole and exact, or nothing goes
// out and the caller is told why; what goes out decodes to the texts that went in.
//
// Input: up to three texts (section, name, value) separated by 0xFF, a byte that never occurs
// in UTF-8; anything after a third 0xFF is ignored.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/Frame.h"
#include "link/GpsLibrary.h"
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

struct Sink final : FrameSink {
  std::vector<std::vector<std::uint8_t>> frames;
  void Output(std::span<const std::uint8_t> f) override { frames.emplace_back(f.begin(), f.end()); }
};

// Checks one encoder call against what its texts allow.
void CheckSend(SendResult result, const Sink& sink, std::uint16_t type,
               std::span<const std::string_view> texts) {
  std::size_t chars = 0;
  bool encodable = true;
  for (std::string_view text : texts) {
    const auto latin1 = ToLatin1(text);
    if (!latin1) {
      encodable = false;
      continue;
    }
    FUZZ_CHECK(latin1->find('\0') == std::string::npos);
    FUZZ_CHECK(FromLatin1(std::span(reinterpret_cast<const std::uint8_t*>(latin1->data()),
                                    latin1->size())) == text);
    chars += latin1->size();
  }
  const std::size_t n = chars + texts.size();
  if (!encodable) {
    FUZZ_CHECK(result == SendResult::Unencodable && sink.frames.empty());
    return;
  }
  if (n > kMaxPayload) {
    FUZZ_CHECK(result == SendResult::TooLong && sink.frames.empty());
    return;
  }
  FUZZ_CHECK(result == SendResult::Sent && sink.frames.size() == 1);
  const auto& frame = sink.frames[0];
  FUZZ_CHECK(frame.size() == kFrameOverhead + n);
  FUZZ_CHECK(frame[0] == kPreamble && (frame[1] | (frame[2] << 8)) == type);
  FUZZ_CHECK(frame[3] == 0x42 && frame[4] == 0x00 && frame[kLengthOffset] == n);
  const std::uint16_t crc = orvane::GPS_Library::Crc16(frame, 1, static_cast<std::int16_t>(n + 6));
  FUZZ_CHECK(frame[n + 6] == (crc & 0xFF) && frame[n + 7] == (crc >> 8));

  // The receiver's answer echoing these texts decodes to them again.
  std::vector<std::uint8_t> payload(frame.begin() + kPayloadOffset, frame.end() - 2);
  if (texts.size() == 2) payload.push_back(0);  // a read request carries no value
  if (payload.size() > kMaxPayload) return;
  const Setting decoded = ParseReadResponse(BuildFrame(0x00A5, 0x1234, payload));
  FUZZ_CHECK(decoded.section == texts[0] && decoded.name == texts[1]);
  FUZZ_CHECK(decoded.value == (texts.size() == 3 ? texts[2] : std::string_view()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string_view texts[3];
  std::size_t start = 0;
  for (auto& text : texts) {
    if (start > input.size()) break;
    const std::size_t end = std::min(input.find('\xFF', start), input.size());
    text = input.substr(start, end - start);
    start = end + 1;
  }

  Sink write;
  CheckSend(SendSettingWrite(write, texts[0], texts[1], texts[2]), write, 0x00A0, texts);
  Sink read;
  CheckSend(SendSettingReadRequest(read, texts[0], texts[1]), read, 0x00A4,
            std::span<const std::string_view>(texts, 2));
  return 0;
}
