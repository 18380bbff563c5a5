// SPDX-License-Identifier: Apache-2.0
#pragma once
// Settings as data. A profile is an ordered list of rows, each naming one receiver setting and
// where its value comes from: a constant text, or a form field (the field that carries the
// setting named). A few rows carry a rule of their own about how the receiver's answer counts.

#include <string>
#include <variant>
#include <vector>

#include "platform/FormFields.h"

namespace orvane::transfer {

using link::SettingKey;

// The value of the form field that carries this setting, taken when the row is sent.
struct FieldOf {
  SettingKey key;
};

using RowValue = std::variant<std::string, FieldOf>;

// How a row's answer counts, for the rows where the plain rule (an accepting answer for the
// row's setting, once the row has been sent) is not the whole story.
struct RowRules {
  // Counted as accepted as soon as it has been sent, answered or not.
  bool countedWhenSent = false;
  // The setting is written more than once in the profile: an answer counts for this row only if
  // it carries this row's value.
  bool matchedByValue = false;
  // The value the receiver answers with (as it stored it) is shown in the field of this setting.
  bool answerShown = false;
};

struct ProfileRow {
  SettingKey key;
  RowValue value;
  RowRules rules{};
};

using Profile = std::vector<ProfileRow>;

// A form field's kind says what its state means as a setting's value.
enum class FieldKind {
  Text,       // the text as it stands, untrimmed
  Switch,     // "True" when on, "False" otherwise; only "True" exactly turns it on
  SbpChoice,  // "SBP" when on, "RTCMv3 OUT" otherwise; only "SBP" exactly turns it on
};

struct FormField {
  SettingKey key;
  FieldKind kind;
};

// A field's value as it would be written now.
std::string FieldValue(const platform::FormFields& fields, const FormField& field);
// Shows a value read from the receiver in its field.
void ShowValue(platform::FormFields& fields, const FormField& field, const std::string& value);

}  // namespace orvane::transfer
