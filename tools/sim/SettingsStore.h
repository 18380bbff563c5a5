// SPDX-License-Identifier: Apache-2.0
#pragma once
// The simulated receiver's settings: every setting the tool reads or writes, with the values a
// receiver fresh from the factory would hold, and a count of the saves it was told to make.
//
// State file: one "section.name=value" line per setting, plus "saves=N"; lines starting with '#'
// are comments. How it is held and replaced: see StateFile.

#include <map>
#include <optional>
#include <string>

#include "StateFile.h"

namespace orvane::sim {

class SettingsStore {
 public:
  // The factory values.
  SettingsStore();

  // Keeps the store in a state file from now on and takes the file's values over the current
  // ones. A missing file is not an error (nothing is taken; the first change writes it). A file
  // that cannot be used, is held by another simulator or is malformed is, and changes nothing.
  bool Attach(const std::string& path, std::string& error);
  // Writes the store to its file if the two differ. Without a file, or with a read-only one,
  // there is nothing to do.
  bool Persist(std::string& error);
  // The file is read but never written.
  bool readOnly() const { return file_ && file_->readOnly(); }

  bool Has(const std::string& section, const std::string& name) const;
  std::optional<std::string> Get(const std::string& section, const std::string& name) const;
  void Set(const std::string& section, const std::string& name, const std::string& value);

  int saves() const { return saves_; }
  void RecordSave() { ++saves_; }

  const std::map<std::string, std::string>& values() const { return values_; }

 private:
  std::string Text() const;
  bool Parse(const std::string& text, const std::string& name, std::string& error);

  std::map<std::string, std::string> values_;  // "section.name" -> value
  int saves_ = 0;
  std::optional<StateFile> file_;
  std::optional<std::string> kept_;  // what the file holds, as Text() would put it
};

}  // namespace orvane::sim
