// SPDX-License-Identifier: Apache-2.0
#pragma once
// The status line as data: the lamp's colour and the caption beside it. The watchdog, the
// baud-rate search and the transfers write it and read it back; the window only draws it.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace orvane::session {

// Lamp colours, as colour numbers: blue * 65536 + green * 256 + red.
namespace lamp {
inline constexpr std::int32_t kRed = 255;
inline constexpr std::int32_t kGreen = 65280;
inline constexpr std::int32_t kYellow = 65535;
}  // namespace lamp

// The heartbeat's caption.
inline constexpr std::string_view kCommunicationsGood = "Communications Good";
// A completed read or write. The misspelling is deliberate: operators and their scripts know the
// two captions apart by it. Never correct it.
inline constexpr std::string_view kCommunicarionsGood = "Communicarions Good";
inline constexpr std::string_view kOrvaneNotFound = "Orvane Not Found";

class StatusLine {
 public:
  enum class Part : std::uint8_t { Lamp, Caption };
  // Told after every write, also one that leaves the value as it was.
  using Observer = std::function<void(Part)>;

  // Reads back exactly the colour last set; 0 before the first.
  std::int32_t lamp() const { return lamp_; }
  const std::string& caption() const { return caption_; }

  void SetLamp(std::int32_t colour) {
    lamp_ = colour;
    Notify(Part::Lamp);
  }
  void SetCaption(std::string_view caption) {
    caption_ = std::string(caption);
    Notify(Part::Caption);
  }
  void SetObserver(Observer observer) { observer_ = std::move(observer); }

 private:
  void Notify(Part part) {
    if (observer_) observer_(part);
  }

  std::int32_t lamp_ = 0;
  std::string caption_;
  Observer observer_;
};

// A caption with a number in it. The number is written in decimal with one leading place for
// its sign, a blank when it is not negative, so CaptionWithNumber("Com Port ", 3,
// " not available") has two blanks before the 3.
std::string CaptionWithNumber(std::string_view before, int number, std::string_view after);

}  // namespace orvane::session
