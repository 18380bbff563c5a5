#pragma once
// The window's controls as plain data, with the window's initial contents.

#include <array>
#include <map>
#include <string>
#include <vector>

#include "platform/Controls.h"

namespace orvane::platform::fakes {

class FakeControls final : public Controls {
 public:
  std::string Text(TextBox box) const override { return texts_.at(box); }
  void SetText(TextBox box, std::string_view text) override { texts_[box] = std::string(text); }
  std::int16_t Value(CheckBox box) const override { return checks_.at(box); }
  void SetValue(CheckBox box, std::int16_t value) override { checks_[box] = value; }
  bool Selected(OptionButton button) const override {
    return button == OptionButton::optSBP ? sbp_ : rtcm_;
  }
  void SetSelected(OptionButton button, bool selected) override {
    bool& self = button == OptionButton::optSBP ? sbp_ : rtcm_;
    bool& other = button == OptionButton::optSBP ? rtcm_ : sbp_;
    self = selected;
    if (selected) other = false;
  }
  std::int32_t LampColour() const override { return lamp_; }
  void SetLampColour(std::int32_t colour) override { lamp_ = colour; }
  std::string Caption() const override { return caption_; }
  void SetCaption(std::string_view caption) override {
    caption_ = std::string(caption);
    captions_.push_back(caption_);
  }
  void EndProgram() override { ended_ = true; }

  // Every caption written, in order.
  const std::vector<std::string>& captions() const { return captions_; }
  bool ended() const { return ended_; }

 private:
  std::map<TextBox, std::string> texts_{{TextBox::txtIP, ""},      {TextBox::txtSubnet, ""},
                                        {TextBox::txtGateway, ""}, {TextBox::txtMask, "10"},
                                        {TextBox::txtLat, "0"},    {TextBox::txtLon, "0"},
                                        {TextBox::txtAlt, "0"}};
  std::map<CheckBox, std::int16_t> checks_{{CheckBox::chkGLONASS, vbChecked},
                                           {CheckBox::chkSbas, vbChecked},
                                           {CheckBox::chkBeidou, vbUnchecked},
                                           {CheckBox::chkGalileo, vbUnchecked}};
  bool sbp_ = true;
  bool rtcm_ = false;
  std::int32_t lamp_ = 0;
  std::string caption_;
  std::vector<std::string> captions_;
  bool ended_ = false;
};

}  // namespace orvane::platform::fakes
