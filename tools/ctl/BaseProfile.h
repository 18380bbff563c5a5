// SPDX-License-Identifier: Apache-2.0
#pragma once
// base-profile: the window's base-station write as a profile, its field rows filled from the
// command line or, where a flag is absent, from the window's fields as it opens.

#include <map>
#include <vector>

#include "Options.h"
#include "platform/Controls.h"
#include "transfer/ProfileFile.h"

namespace orvane::ctl {

// The window's setting fields, as the command line fills them in.
class CommandLineFields final : public platform::FormFields {
 public:
  // The window's initial contents, then the flags that were given.
  explicit CommandLineFields(const BaseProfileFields& flags);

  std::string Text(const platform::SettingKey& key) const override;
  void SetText(const platform::SettingKey& key, std::string_view text) override;
  bool IsOn(const platform::SettingKey& key) const override;
  void SetOn(const platform::SettingKey& key, bool on) override;

 private:
  std::map<platform::SettingKey, std::string> texts_;
  std::map<platform::SettingKey, bool> switches_;
};

// The forty-nine rows in the order they are written.
std::vector<transfer::ProfileSetting> BaseProfileSettings(const BaseProfileFields& flags);

}  // namespace orvane::ctl
