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

}  // namespace orvane::transfer
