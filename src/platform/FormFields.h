// SPDX-License-Identifier: Apache-2.0
#pragma once
// The window's setting fields as the logic reads and writes them, each named by the receiver
// setting it carries. A field is either a text or an on/off choice (a check box, or the "SBP"
// option of the RTK protocol pair); what its state means on the wire is the logic's business.
// Texts are UTF-8.

#include <string>
#include <string_view>

#include "link/SettingKey.h"

namespace orvane::platform {

using link::SettingKey;

class FormFields {
 public:
  virtual ~FormFields() = default;

  virtual std::string Text(const SettingKey& key) const = 0;
  virtual void SetText(const SettingKey& key, std::string_view text) = 0;

  // A check box reads on only when checked (a greyed box is off). For the option pair, on is
  // the first option; setting it off selects the other.
  virtual bool IsOn(const SettingKey& key) const = 0;
  virtual void SetOn(const SettingKey& key, bool on) = 0;
};

}  // namespace orvane::platform
