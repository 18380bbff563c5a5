#pragma once
// The form on fakes with a scripted receiver for the two transfer sequences: it answers the
// settings reads and writes it hears, at once or after a delay, as the test decides.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/FormRig.h"
#include "support/Frames.h"

namespace orvane::testing {

inline constexpr std::uint16_t kSettingsWrite = 0x00A0;
inline constexpr std::uint16_t kSettingsSave = 0x00A1;
inline constexpr std::uint16_t kSettingsReadRequest = 0x00A4;
inline constexpr std::int32_t kYellow = 65535;
inline constexpr std::int32_t kGreen = 65280;
inline constexpr auto kTick = std::chrono::milliseconds(250);

inline const std::vector<std::uint8_t> kSaveFrame{0x55, 0xA1, 0x00, 0x42, 0x00, 0x00, 0xF8, 0xF3};

struct TransferRig : FormRig {
  // The status the receiver answers a settings write with, or nothing for no answer.
  using WriteVerdict = std::function<std::optional<std::uint8_t>(const Sent&)>;
  // The value the receiver answers a read request with, or nothing for no answer.
  using ReadVerdict = std::function<std::optional<std::string>(const Sent&)>;

  // Every frame the program has written so far, taken apart.
  std::vector<Sent> Frames() const {
    std::vector<Sent> frames;
    for (const auto& w : port.written()) frames.push_back(Decode(w.frame));
    return frames;
  }
  std::size_t FrameCount() const { return port.written().size(); }
  const std::vector<std::uint8_t>& LastFrame() const { return port.written().back().frame; }

  // The receiver answers each settings write it hears (with its own section, name and value),
  // `delay` after hearing it.
  void AnswerWrites(WriteVerdict verdict, std::chrono::milliseconds delay = {}) {
    port.SetResponder([this, verdict, delay](std::span<const std::uint8_t> bytes) {
      const Sent sent = Decode({bytes.begin(), bytes.end()});
      if (sent.type != kSettingsWrite || sent.texts.size() != 3) return;
      if (const auto status = verdict(sent)) {
        Reply(WriteResponseFrame(*status, sent.texts[0], sent.texts[1], sent.texts[2]), delay);
      }
    });
  }
  void AcceptAllWrites(std::chrono::milliseconds delay = {}) {
    AnswerWrites([](const Sent&) { return std::optional<std::uint8_t>(0); }, delay);
  }

  void AnswerReads(ReadVerdict verdict) {
    port.SetResponder([this, verdict](std::span<const std::uint8_t> bytes) {
      const Sent sent = Decode({bytes.begin(), bytes.end()});
      if (sent.type != kSettingsReadRequest || sent.texts.size() != 2) return;
      if (const auto value = verdict(sent)) {
        Reply(ReadResponseFrame(sent.texts[0], sent.texts[1], *value), {});
      }
    });
  }

  // Frames the receiver sends on its own; delivered now, as one receive event.
  void Receive(const std::vector<std::uint8_t>& frame) {
    port.ReceiverSends(frame);
    clock.RunDue();
  }

 private:
  void Reply(std::vector<std::uint8_t> frame, std::chrono::milliseconds delay) {
    clock.Post(delay, [this, frame = std::move(frame)] { port.ReceiverSends(frame); });
  }
};

}  // namespace orvane::testing
