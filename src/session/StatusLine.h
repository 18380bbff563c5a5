// SPDX-License-Identifier: Apache-2.0
#pragma once
// The status line as data: the lamp's colour and the caption beside it. Only the status
// presenter writes it; the window draws it.

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

}  // namespace orvane::session
