// SPDX-License-Identifier: Apache-2.0
#pragma once
// Settings as data. A profile is an ordered list of rows, each naming one receiver setting and
// where its value comes from: a constant text, or a form field (the field that carries the
// setting named). A few rows carry a rule of their own about how the receiver's answer counts.

#include <map>
#include <string>
#include <string_view>
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

// One of the window's setting fields: the setting it carries, what kind of field it is, the
// control that shows it, what the window opens with (as the value it would write), and the
// option of orvanectl's base-profile that fills it in (for a check box, --NAME and --no-NAME).
struct FormField {
  SettingKey key;
  FieldKind kind;
  const char* control;
  const char* initial;
  const char* option;
  const char* about;  // what the option's value is, for its help
};

// A field's value as it would be written now.
std::string FieldValue(const platform::FormFields& fields, const FormField& field);
// Shows a value read from the receiver in its field.
void ShowValue(platform::FormFields& fields, const FormField& field, const std::string& value);

// The form's fields as plain data, as the window opens them; for orvanectl and the tests.
class FormValues final : public platform::FormFields {
 public:
  explicit FormValues(const std::vector<FormField>& fields);

  std::string Text(const SettingKey& key) const override;
  void SetText(const SettingKey& key, std::string_view text) override;
  bool IsOn(const SettingKey& key) const override;
  void SetOn(const SettingKey& key, bool on) override;

 private:
  std::map<SettingKey, std::string> texts_;
  std::map<SettingKey, bool> switches_;
};

}  // namespace orvane::transfer
