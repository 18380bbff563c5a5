#include "transfer/ReadSequence.h"

#include <algorithm>
#include <string>

#include "link/SettingsMessages.h"
#include "transfer/SettingsTables.h"

namespace orvane::transfer {

using platform::Lamp::Green;
using platform::Lamp::Yellow;

namespace {

// Puts an answer's value into the row's control. Comparisons are exact and case-sensitive:
// only "True" checks a box, only "SBP" selects optSBP.
struct ApplyValue {
  platform::Controls& controls;
  const std::string& value;
  void operator()(TextBox box) const { controls.SetText(box, value); }
  void operator()(CheckBox box) const {
    controls.SetValue(box, value == kTrue ? platform::vbChecked : platform::vbUnchecked);
  }
  void operator()(OptionButton) const {
    const bool sbp = value == kSbp;
    controls.SetSelected(sbp ? OptionButton::optSBP : OptionButton::OptRTCM, true);
    controls.SetSelected(sbp ? OptionButton::OptRTCM : OptionButton::optSBP, false);
  }
  void operator()(Constant) const {}
};

}  // namespace

void ReadSequence::cmdRead_Click() {
  ReadDone.fill(0);
  controls_.SetLampColour(Yellow);
  controls_.SetCaption("Read Configuration 0 of 12");
  ReadStep = 0;
  tmrRead_.Start();
}

void ReadSequence::tmrRead_Timer() {
  if (!port_.IsOpen()) return;  // paused at this row until the port is open again
  if (ReadStep >= 0 && ReadStep < kRows) {
    const SettingRow& row = kReadTable[static_cast<std::size_t>(ReadStep)];
    // The table's texts are plain ASCII well within one frame, so the request always goes out.
    (void)link::SendSettingReadRequest(port_, row.section, row.name);
    ++ReadStep;
  } else {
    tmrRead_.Stop();
  }
}

void ReadSequence::OnSettingReadResponse(std::span<const std::uint8_t> frame) {
  const link::Setting answer = link::ParseReadResponse(frame);
  const auto row = std::find_if(kReadTable.begin(), kReadTable.end(), [&](const SettingRow& r) {
    return r.section == answer.section && r.name == answer.name;
  });
  if (row != kReadTable.end()) {
    std::visit(ApplyValue{controls_, answer.value}, row->value);
    ReadDone[static_cast<std::size_t>(row - kReadTable.begin())] = -1;
  }
  UpdateReadProgress();
}

std::int16_t ReadSequence::answered() const {
  return static_cast<std::int16_t>(std::count(ReadDone.begin(), ReadDone.end(), -1));
}

void ReadSequence::UpdateReadProgress() {
  const std::int16_t count = answered();
  if (count == kRows) {
    controls_.SetCaption(kCommunicarionsGood);
    controls_.SetLampColour(Green);
  } else {
    controls_.SetCaption(platform::CaptionWithNumber("Read Configuration ", count, " of 12"));
  }
}

}  // namespace orvane::transfer
