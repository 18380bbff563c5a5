#include "transfer/WriteSequence.h"

#include <algorithm>
#include <string>

#include "link/SettingsMessages.h"
#include "transfer/ReadSequence.h"
#include "transfer/SettingsTables.h"

namespace orvane::transfer {

using platform::Lamp::Green;
using platform::Lamp::Yellow;

namespace {

// A row's value as it stands at this tick.
struct ReadValue {
  const platform::Controls& controls;
  std::string operator()(Constant text) const { return std::string(text); }
  std::string operator()(TextBox box) const { return controls.Text(box); }
  std::string operator()(CheckBox box) const {
    return std::string(controls.Value(box) == platform::vbChecked ? kTrue : kFalse);
  }
  std::string operator()(OptionButton) const {
    return std::string(controls.Selected(OptionButton::optSBP) ? kSbp : kRtcm);
  }
};

// "ethernet"/"interface_mode" is written twice; the answer's value tells which row it confirms.
bool Confirms(const SettingRow& row, const link::Setting& answer) {
  if (row.section != answer.section || row.name != answer.name) return false;
  if (const auto* constant = std::get_if<Constant>(&row.value);
      constant && row.section == "ethernet" && row.name == "interface_mode") {
    return *constant == answer.value;
  }
  return true;
}

}  // namespace

void WriteSequence::cmdWrite_Click() {
  WriteDone.fill(0);
  controls_.SetLampColour(Yellow);
  controls_.SetCaption("Write Configuration 0 of 49");
  WriteStep = 0;
  tmrWrite_.Start();
}

void WriteSequence::tmrWrite_Timer() {
  if (!port_.IsOpen()) return;  // paused at this row until the port is open again
  if (WriteStep >= 0 && WriteStep < kRows) {
    const auto index = static_cast<std::size_t>(WriteStep);
    const SettingRow& row = kWriteTable[index];
    const std::string value = std::visit(ReadValue{controls_}, row.value);
    // A value that cannot travel in one frame (too long, or a character outside Latin-1) is not
    // sent at all; its flag stays unset and the sequence goes on.
    const bool sent =
        link::SendSettingWrite(port_, row.section, row.name, value) == link::SendResult::Sent;
    if (sent && index == kSelfConfirmedRow) WriteDone[index] = -1;
    ++WriteStep;
  } else {
    link::SendSettingsSave(port_);
    tmrWrite_.Stop();
  }
}

void WriteSequence::OnSettingWriteResponse(std::span<const std::uint8_t> frame) {
  const link::WriteResponse answer = link::ParseWriteResponse(frame);
  if (answer.status == 0) {
    const auto row = std::find_if(kWriteTable.begin(), kWriteTable.end(),
                                  [&](const SettingRow& r) { return Confirms(r, answer.setting); });
    if (row != kWriteTable.end()) {
      if (row->section == "ethernet" && row->name == "gateway") {
        controls_.SetText(TextBox::txtGateway, answer.setting.value);
      }
      WriteDone[static_cast<std::size_t>(row - kWriteTable.begin())] = -1;
    }
  }
  UpdateWriteProgress();
}

std::int16_t WriteSequence::accepted() const {
  return static_cast<std::int16_t>(std::count(WriteDone.begin(), WriteDone.end(), -1));
}

void WriteSequence::UpdateWriteProgress() {
  const std::int16_t count = accepted();
  if (count == kRows) {
    controls_.SetCaption(kCommunicarionsGood);
    controls_.SetLampColour(Green);
  } else {
    controls_.SetCaption(platform::CaptionWithNumber("Write Configuration ", count, " of 49"));
  }
}

}  // namespace orvane::transfer
