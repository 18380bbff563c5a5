// SPDX-License-Identifier: Apache-2.0
#pragma once
// What a command line asks for, checked and taken apart, before any port is touched.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "link/SettingKey.h"
#include "transfer/ProfileFile.h"

namespace orvane::ctl {

enum class Command { Ports, Detect, Get, Set, Dump, Diff, Apply, BaseProfile, Journal };

// Where to look for a receiver: a device path, the window's Comm item N, a TCP address, or every
// serial port where a receiver answers.
struct PortSpec {
  enum class Kind { Device, Number, Tcp, Auto };
  Kind kind = Kind::Auto;
  std::string text;    // as given on the command line
  std::string device;  // Device: the path
  std::int16_t number = 0;
  std::string host;  // Tcp: without brackets
  std::uint16_t tcpPort = 0;
};

// One setting named on the command line as section.name, with a value for set.
struct Key {
  std::string section;
  std::string name;
  std::string value;
};

// base-profile: the window's fields its options fill in, each with the value it writes (the text
// as given, "True" or "False", "SBP" or "RTCMv3 OUT"); a field not given keeps the window's
// initial contents.
using BaseProfileFields = std::map<link::SettingKey, std::string>;

// How the settings engine paces a transfer; an empty optional leaves the engine's default.
struct TransferPolicy {
  std::optional<int> inFlight;
  std::optional<int> timeoutMs;
  std::optional<int> retries;
};

// The journal command: which file, and which receiver's history (every filter given must hold).
struct JournalQuery {
  std::string file;
  std::vector<std::string> ports;  // as the journal names them, or a name of the same device
  std::optional<std::uint16_t> sender;
};

struct Options {
  Command command = Command::Ports;
  std::vector<PortSpec> ports;       // never empty: "auto" when none was given
  std::optional<std::int32_t> baud;  // empty: search the speed ("auto")
  bool json = false;
  bool quiet = false;
  bool verbose = false;
  TransferPolicy policy;

  bool probe = false;     // ports --probe
  bool noSave = false;    // set, apply
  bool all = false;       // apply --all
  bool dryRun = false;    // apply --dry-run
  bool force = false;     // apply, set: write values that would blank a base station or be refused
  std::vector<Key> keys;  // get: names only; set: with values
  std::string profilePath;                        // diff, apply
  std::vector<transfer::ProfileSetting> profile;  // diff, apply: the file's rows
  BaseProfileFields base;

  std::vector<Key> overrides;  // apply --set: values on top of the profile's
  std::string fleetPath;       // apply --fleet: the sheet naming the ports and their values
  // apply --fleet: for each of ports, its own rows (the profile under the sheet's values).
  std::vector<std::vector<transfer::ProfileSetting>> portProfiles;
  std::string journalPath;  // --journal or ORVANE_JOURNAL: where each run is recorded; or empty
  JournalQuery journal;     // the journal command
};

std::string CommandName(Command command);

}  // namespace orvane::ctl
