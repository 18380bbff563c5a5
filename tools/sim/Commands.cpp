// SPDX-License-Identifier: Apache-2.0
#include "Commands.h"

#include <sstream>
#include <vector>

#include "Options.h"

namespace orvane::sim {

namespace {

constexpr const char* kKnown = "silent on|off, noise on [RATE], noise off, unplug";

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

Command Invalid(const std::string& why) {
  return Command{Command::Kind::Invalid, false, 0, why};
}

Command Switch(Command::Kind kind, const std::vector<std::string>& words, const char* usage) {
  if (words.size() == 2 && (words[1] == "on" || words[1] == "off")) {
    return Command{kind, words[1] == "on", 0, ""};
  }
  return Invalid(std::string("expected ") + usage);
}

}  // namespace

Command ParseCommand(const std::string& line) {
  const auto words = Words(line);
  if (words.empty()) return Command{};
  const std::string& verb = words[0];
  if (verb == "silent") return Switch(Command::Kind::Silent, words, "silent on|off");
  if (verb == "unplug") {
    return words.size() == 1 ? Command{Command::Kind::Unplug, false, 0, ""}
                             : Invalid("unplug takes nothing more");
  }
  if (verb != "noise") return Invalid("unknown command: " + line + " (" + kKnown + ")");
  if (words.size() != 3 || words[1] != "on")
    return Switch(Command::Kind::Noise, words, "noise on [RATE] or noise off");
  Command command{Command::Kind::Noise, true, 0, ""};
  if (const auto rate = ParseNoiseRate(words[2], command.error)) {
    command.rate = *rate;
    return command;
  }
  return Invalid(command.error);
}

}  // namespace orvane::sim
