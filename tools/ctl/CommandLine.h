// SPDX-License-Identifier: Apache-2.0
#pragma once
// The command line: options and commands taken apart and checked, and the usage text.

#include <string>

#include "Options.h"

namespace orvane::ctl {

struct CommandLine {
  enum class Kind { Run, Help, Version, UsageError };
  Kind kind = Kind::Run;
  Options options;
  std::string command;  // the command's name, also for a usage error where one was named
  std::string message;  // a usage error: what is wrong
  bool json = false;    // --json was given (known even when the rest does not parse)
};

CommandLine ParseCommandLine(int argc, const char* const* argv);

// The whole usage text, laid out so that it can go into a manual page as it stands.
const std::string& UsageText();
// One command's synopsis and paragraph, for COMMAND --help; the whole text for an unknown one.
std::string CommandUsageText(const std::string& command);

}  // namespace orvane::ctl
