// SPDX-License-Identifier: Apache-2.0
#pragma once
// base-profile: the window's base-station write as a profile, its field rows filled from the
// command line or, where a flag is absent, from the window's fields as it opens.

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "Options.h"
#include "platform/FormFields.h"
#include "transfer/ProfileFile.h"

namespace orvane::ctl {

// The window's setting fields, as the command line fills them in.
class CommandLineFields final : public platform::FormFields {
 public:
  // The window's initial contents, then the flags that were given.
  explicit CommandLineFields(const BaseProfileFields& flags);

  std::string Text(const link::SettingKey& key) const override;
  void SetText(const link::SettingKey& key, std::string_view text) override;
  bool IsOn(const link::SettingKey& key) const override;
  void SetOn(const link::SettingKey& key, bool on) override;

 private:
  std::map<link::SettingKey, std::string> texts_;
  std::map<link::SettingKey, bool> switches_;
};

struct BaseProfileRows {
  std::vector<transfer::ProfileSetting> rows;  // in the order they are written
  // A field's row whose flag is absent and whose window default is empty or zero is left out:
  // written, it would blank the base station's address or position. Each: key, its flag.
  std::vector<std::pair<std::string, std::string>> leftOut;
};

// The forty-nine rows, less those left out.
BaseProfileRows BaseProfileSettings(const BaseProfileFields& flags);

}  // namespace orvane::ctl
