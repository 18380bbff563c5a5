// SPDX-License-Identifier: Apache-2.0
#include "CommandLine.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <stdexcept>
#include <tuple>
#include <variant>

#include "PortSpec.h"
#include "transfer/BaseStation.h"
#include "transfer/SettingValues.h"

namespace orvane::ctl {

namespace {

// A fault in what the command line says; its message is shown as it stands.
struct UsageFault : std::runtime_error {
  using std::runtime_error::runtime_error;
};

constexpr std::pair<const char*, Command> kCommands[] = {
    {"ports", Command::Ports},     {"detect", Command::Detect},
    {"get", Command::Get},         {"set", Command::Set},
    {"dump", Command::Dump},       {"diff", Command::Diff},
    {"apply", Command::Apply},     {"base-profile", Command::BaseProfile},
    {"journal", Command::Journal},
};

int WholeNumber(const std::string& option, const std::string& text, int smallest) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < smallest) {
    throw UsageFault(option + " takes a whole number from " + std::to_string(smallest) + ", not '" +
                     text + "'");
  }
  return value;
}

// section.name, both parts present; for set, followed by =VALUE.
Key ParseKey(const std::string& command, const std::string& text, bool withValue) {
  Key key;
  std::string name = text;
  if (withValue) {
    const auto equals = text.find('=');
    if (equals == std::string::npos)
      throw UsageFault(command + ": expected KEY=VALUE, got '" + text + "'");
    name = text.substr(0, equals);
    key.value = text.substr(equals + 1);
  } else if (text.find('=') != std::string::npos) {
    throw UsageFault(command + ": expected KEY (section.name), got '" + text + "'");
  }
  const auto dot = name.find('.');
  if (dot == std::string::npos || dot == 0 || dot + 1 == name.size()) {
    throw UsageFault(command + ": KEY must be section.name, got '" + text + "'");
  }
  key.section = name.substr(0, dot);
  key.name = name.substr(dot + 1);
  if (auto why = transfer::WhyUnsendable(key.section, key.name, key.value)) {
    throw UsageFault(command + ": " + text + " cannot be sent: " + *why);
  }
  return key;
}

// A base-profile flag's value must travel and be one the receiver takes: the profile printed is
// one apply writes without --force.
void CheckField(const char* option, const char* section, const char* name,
                const std::string& value) {
  if (auto why = transfer::WhyUnsendable(section, name, value)) {
    throw UsageFault(option + (" " + value) + " cannot be sent: " + *why);
  }
  if (auto why = transfer::WhyValueRefused(section, name, value)) {
    throw UsageFault(option + (" " + value) + ": " + *why);
  }
}

// Everything CLI11 fills in, kept as given until it is checked.
struct Raw {
  std::vector<std::string> ports, keys, overrides;
  std::string baud = "auto", inFlight, timeout, retries, rtk, profile, fleet, journal, sender;
};

// A sender id as the report shows it (0x1234) or in decimal.
std::uint16_t SenderId(const std::string& text) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const char* begin = text.data() + (hex ? 2 : 0);
  const char* end = text.data() + text.size();
  std::uint16_t value = 0;
  const auto [at, error] = std::from_chars(begin, end, value, hex ? 16 : 10);
  if (begin == end || error != std::errc() || at != end) {
    throw UsageFault("--sender takes a number from 0 to 65535 (or 0x0000 to 0xFFFF), not '" + text +
                     "'");
  }
  return value;
}

// The journal command reads a file: its --port names a receiver in the journal, whatever
// device it is now.
void CheckJournalQuery(Options& options, const Raw& raw) {
  options.journal.file = raw.profile;
  options.journal.ports = raw.ports;
  if (!raw.sender.empty()) options.journal.sender = SenderId(raw.sender);
}

void CheckPerReceiverValues(CommandLine& line, const Raw& raw) {
  Options& options = line.options;
  for (const auto& text : raw.overrides) {
    options.overrides.push_back(ParseKey(line.command + " --set", text, true));
  }
  options.fleetPath = raw.fleet;
  if (!raw.fleet.empty() && !raw.ports.empty()) {
    throw UsageFault(line.command +
                     ": --fleet names the ports in its sheet; give --fleet or --port, not both");
  }
  options.journalPath = raw.journal;
  if (options.journalPath.empty()) {
    if (const char* env = std::getenv("ORVANE_JOURNAL")) options.journalPath = env;
  }
}

// Every option follows from the window's form table: a text field takes a value, the RTK choice
// sbp or rtcm, a check box --NAME and --no-NAME.
void AddBaseProfileOptions(CLI::App& command, BaseProfileFields& base, Raw& raw) {
  for (const transfer::FormField& field : transfer::BaseStationFields()) {
    const link::SettingKey key = field.key;
    switch (field.kind) {
      case transfer::FieldKind::Text:
        command
            .add_option_function<std::string>(
                field.option, [&base, key](const std::string& v) { base[key] = v; }, field.about)
            ->type_name("A");
        break;
      case transfer::FieldKind::SbpChoice:
        command.add_option(field.option, raw.rtk, field.about);
        break;
      case transfer::FieldKind::Switch: {
        const std::string name = field.option;
        command.add_flag_callback("--" + name, [&base, key] { base[key] = "True"; });
        command.add_flag_callback("--no-" + name, [&base, key] { base[key] = "False"; });
        break;
      }
    }
  }
}

void Check(CommandLine& line, const Raw& raw) {
  Options& options = line.options;
  if (options.command == Command::Journal) return CheckJournalQuery(options, raw);
  CheckPerReceiverValues(line, raw);
  for (const auto& text : raw.ports.empty() ? std::vector<std::string>{"auto"} : raw.ports) {
    auto spec = ParsePortSpec(text);
    if (auto* why = std::get_if<std::string>(&spec)) throw UsageFault(*why);
    options.ports.push_back(std::get<PortSpec>(spec));
  }
  if (raw.baud != "auto") options.baud = WholeNumber("--baud (or auto)", raw.baud, 1);
  if (!raw.inFlight.empty()) options.policy.inFlight = WholeNumber("--in-flight", raw.inFlight, 1);
  if (!raw.timeout.empty()) options.policy.timeoutMs = WholeNumber("--timeout", raw.timeout, 1);
  if (!raw.retries.empty()) options.policy.retries = WholeNumber("--retries", raw.retries, 0);
  for (const auto& key : raw.keys) {
    options.keys.push_back(ParseKey(line.command, key, options.command == Command::Set));
  }
  options.profilePath = raw.profile;
  for (const transfer::FormField& field : transfer::BaseStationFields()) {
    if (field.kind == transfer::FieldKind::SbpChoice && !raw.rtk.empty()) {
      if (raw.rtk != "sbp" && raw.rtk != "rtcm")
        throw UsageFault("--rtk takes sbp or rtcm, not '" + raw.rtk + "'");
      options.base[field.key] = raw.rtk == "sbp" ? "SBP" : "RTCMv3 OUT";
    }
    const auto given = options.base.find(field.key);
    if (field.kind == transfer::FieldKind::Text && given != options.base.end()) {
      CheckField(field.option, field.key.section.c_str(), field.key.name.c_str(), given->second);
    }
  }
}

// CLI11's own words, said of the command they concern; a missing or unknown command named.
std::string UsageMessage(const CLI::App& app, const std::string& command,
                         const CLI::ParseError& error) {
  if (!command.empty()) return command + ": " + error.what();
  const auto rest = app.remaining();
  const auto word = std::find_if(rest.begin(), rest.end(), [](const std::string& arg) {
    return !arg.empty() && arg.front() != '-';
  });
  if (word != rest.end()) return "unknown command '" + *word + "'";
  if (error.get_name() == "RequiredError") {
    return "a command is needed: ports, detect, get, set, dump, diff, apply, base-profile or "
           "journal";
  }
  return error.what();
}

}  // namespace

std::string CommandName(Command command) {
  for (const auto& [name, value] : kCommands) {
    if (value == command) return name;
  }
  return {};
}

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  CommandLine line;
  const auto given = [&](std::string_view flag) {
    return std::any_of(argv + std::min(argc, 1), argv + argc,
                       [&](const char* arg) { return std::string_view(arg) == flag; });
  };
  line.json = given("--json");
  if (given("--version") && !given("--help") && !given("-h")) {
    line.kind = CommandLine::Kind::Version;
    return line;
  }
  Options& options = line.options;
  Raw raw;
  CLI::App app("orvanectl", "orvanectl");
  app.set_help_flag("-h,--help");
  app.add_flag("--version");  // answered before parsing, as it needs no command
  app.fallthrough();
  app.require_subcommand(1);
  app.add_option("--port", raw.ports)->allow_extra_args(false);
  app.add_option("--baud", raw.baud);
  app.add_flag("--json", options.json);
  app.add_option("--in-flight", raw.inFlight);
  app.add_option("--timeout", raw.timeout);
  app.add_option("--retries", raw.retries);
  app.add_flag("-q,--quiet", options.quiet);
  app.add_flag("-v,--verbose", options.verbose);
  app.add_option("--journal", raw.journal);

  std::vector<std::pair<CLI::App*, Command>> commands;
  for (const auto& [name, command] : kCommands)
    commands.emplace_back(app.add_subcommand(name), command);
  const auto sub = [&](Command command) {
    return std::find_if(commands.begin(), commands.end(),
                        [&](auto& c) { return c.second == command; })
        ->first;
  };
  sub(Command::Ports)->add_flag("--probe", options.probe);
  sub(Command::Get)->add_option("KEY", raw.keys)->required();
  sub(Command::Set)->add_option("KEY=VALUE", raw.keys)->required();
  sub(Command::Set)->add_flag("--no-save", options.noSave);
  sub(Command::Set)->add_flag("--force", options.force);
  sub(Command::Diff)->add_option("PROFILE", raw.profile)->required();
  CLI::App* apply = sub(Command::Apply);
  apply->add_option("PROFILE", raw.profile)->required();
  apply->add_flag("--all", options.all);
  apply->add_flag("--dry-run", options.dryRun);
  apply->add_flag("--no-save", options.noSave);
  apply->add_flag("--force", options.force);
  apply->add_option("--set", raw.overrides)->allow_extra_args(false);
  apply->add_option("--fleet", raw.fleet);
  CLI::App* journal = sub(Command::Journal);
  journal->add_option("FILE", raw.profile)->required();
  journal->add_option("--sender", raw.sender);
  AddBaseProfileOptions(*sub(Command::BaseProfile), options.base, raw);

  const auto chosen = [&] {
    for (const auto& [app, command] : commands) {
      if (app->parsed()) {
        line.command = app->get_name();
        options.command = command;
      }
    }
  };
  try {
    app.parse(argc, argv);
    chosen();

    Check(line, raw);
  } catch (const CLI::CallForHelp&) {
    chosen();  // COMMAND --help: that command's text
    line.kind = CommandLine::Kind::Help;
  } catch (const CLI::ParseError& error) {
    chosen();
    line.kind = CommandLine::Kind::UsageError;
    line.message = UsageMessage(app, line.command, error);
  } catch (const UsageFault& fault) {
    line.kind = CommandLine::Kind::UsageError;
    line.message = fault.what();
  }
  return line;
}

}  // namespace orvane::ctl
