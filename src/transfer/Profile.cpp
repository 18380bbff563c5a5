// SPDX-License-Identifier: Apache-2.0
#include "transfer/Profile.h"

namespace orvane::transfer {

namespace {
constexpr const char* kTrue = "True";
constexpr const char* kFalse = "False";
constexpr const char* kSbp = "SBP";
constexpr const char* kRtcm = "RTCMv3 OUT";
}  // namespace

std::string FieldValue(const platform::FormFields& fields, const FormField& field) {
  switch (field.kind) {
    case FieldKind::Text:
      return fields.Text(field.key);
    case FieldKind::Switch:
      return fields.IsOn(field.key) ? kTrue : kFalse;
    case FieldKind::SbpChoice:
      return fields.IsOn(field.key) ? kSbp : kRtcm;
  }
  return {};
}

// Comparisons are exact and case-sensitive.
void ShowValue(platform::FormFields& fields, const FormField& field, const std::string& value) {
  switch (field.kind) {
    case FieldKind::Text:
      fields.SetText(field.key, value);
      break;
    case FieldKind::Switch:
      fields.SetOn(field.key, value == kTrue);
      break;
    case FieldKind::SbpChoice:
      fields.SetOn(field.key, value == kSbp);
      break;
  }
}

FormValues::FormValues(const std::vector<FormField>& fields) {
  for (const FormField& field : fields) ShowValue(*this, field, field.initial);
}

std::string FormValues::Text(const SettingKey& key) const {
  const auto it = texts_.find(key);
  return it == texts_.end() ? std::string() : it->second;
}

void FormValues::SetText(const SettingKey& key, std::string_view text) {
  texts_[key] = std::string(text);
}

bool FormValues::IsOn(const SettingKey& key) const {
  const auto it = switches_.find(key);
  return it != switches_.end() && it->second;
}

void FormValues::SetOn(const SettingKey& key, bool on) {
  switches_[key] = on;
}

}  // namespace orvane::transfer
