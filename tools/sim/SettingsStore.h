#pragma once
// The simulated receiver's settings: every setting the tool reads or writes, with the values a
// receiver fresh from the factory would hold, and a count of the saves it was told to make.
//
// State file: one "section.name=value" line per setting, plus "saves=N"; lines starting with '#'
// are comments. Written whole (to a temporary file, then renamed) so a reader never sees half of
// it.

#include <map>
#include <optional>
#include <string>

namespace orvane::sim {

class SettingsStore {
 public:
  // The factory values.
  SettingsStore();

  // Takes the values of a state file over the current ones. A missing file is not an error
  // (nothing is taken); an unreadable or malformed one is, and changes nothing.
  bool Load(const std::string& path, std::string& error);
  bool Store(const std::string& path, std::string& error) const;

  bool Has(const std::string& section, const std::string& name) const;
  std::optional<std::string> Get(const std::string& section, const std::string& name) const;
  void Set(const std::string& section, const std::string& name, const std::string& value);

  int saves() const { return saves_; }
  void RecordSave() { ++saves_; }

  const std::map<std::string, std::string>& values() const { return values_; }

 private:
  std::map<std::string, std::string> values_;  // "section.name" -> value
  int saves_ = 0;
};

}  // namespace orvane::sim
