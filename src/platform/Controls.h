#pragma once
// The window's controls as the logic reads and writes them: the setting fields, the status line
// (lamp and caption) and the end of the program. Texts are UTF-8.

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane::platform {

enum class TextBox { txtIP, txtSubnet, txtGateway, txtMask, txtLat, txtLon, txtAlt };
enum class CheckBox { chkGLONASS, chkSbas, chkBeidou, chkGalileo };
enum class OptionButton { optSBP, OptRTCM };

// Lamp colours: blue * 65536 + green * 256 + red.
namespace Lamp {
inline constexpr std::int32_t Red = 255;
inline constexpr std::int32_t Green = 65280;
inline constexpr std::int32_t Yellow = 65535;
}  // namespace Lamp

// Check box values.
inline constexpr std::int16_t vbUnchecked = 0;
inline constexpr std::int16_t vbChecked = 1;

class Controls {
 public:
  virtual ~Controls() = default;

  virtual std::string Text(TextBox box) const = 0;
  virtual void SetText(TextBox box, std::string_view text) = 0;

  // 0 unchecked, 1 checked, 2 greyed (read as not checked).
  virtual std::int16_t Value(CheckBox box) const = 0;
  virtual void SetValue(CheckBox box, std::int16_t value) = 0;

  // The two option buttons form one group: selecting one clears the other.
  virtual bool Selected(OptionButton button) const = 0;
  virtual void SetSelected(OptionButton button, bool selected) = 0;

  // The lamp reads back exactly the colour last set.
  virtual std::int32_t LampColour() const = 0;
  virtual void SetLampColour(std::int32_t colour) = 0;
  virtual std::string Caption() const = 0;
  virtual void SetCaption(std::string_view caption) = 0;

  // Ends the program at once; no handler runs after it.
  virtual void EndProgram() = 0;
};

// A caption with a number in it. The number is written in decimal with one leading place for
// its sign, a blank when it is not negative, so CaptionWithNumber("Com Port ", 3,
// " not available") has two blanks before the 3.
inline std::string CaptionWithNumber(std::string_view before, int number, std::string_view after) {
  std::string caption(before);
  if (number >= 0) caption += ' ';
  caption += std::to_string(number);
  caption += after;
  return caption;
}

}  // namespace orvane::platform
