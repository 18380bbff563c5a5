// SPDX-License-Identifier: Apache-2.0
#pragma once
// What a run did, per port and per setting, and the exit status it adds up to. Rendered as
// text for a person or as one JSON document for a script; both come from this model alone.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Options.h"
#include "transfer/ProfileFile.h"

namespace orvane::ctl {

// Ordered by gravity: with several ports the program exits with the highest.
enum class ExitCode : int {
  Done = 0,
  Differences = 1,  // diff, apply --dry-run
  Usage = 2,        // usage or profile error; nothing was sent
  NoReceiver = 3,   // port missing or not openable, or nothing answered
  Refused = 4,      // a setting was refused, or the receiver has no such setting
  Mismatch = 5,     // a read-back differs from what was written
  Unanswered = 6,   // a setting stayed unanswered after the retries
};

// Unknown: the receiver answered a read with an empty value for a setting that is not one of the
// known keys: it has no such setting.
enum class Outcome { Unchanged, Differs, Written, Refused, Mismatch, Unanswered, Read, Unknown };

const char* OutcomeName(Outcome outcome);

// One setting on one port: one entry per (section, name), in the order of its first row.
struct SettingEntry {
  std::string section;
  std::string name;
  std::optional<std::string> wanted;  // what the profile or command line asks for
  std::optional<std::string> before;  // read before writing (or the only read)
  std::optional<std::string> after;   // read back after writing
  Outcome outcome = Outcome::Read;
  std::optional<int> status;  // the receiver's write status; empty where nothing was written
  std::optional<std::string> suggestion = std::nullopt;  // Unknown: the known key it may have meant
  std::optional<bool> restored = std::nullopt;  // put back after a failed run; empty: not written
};

// A serial port as the system lists it (the ports command).
struct SerialPortListing {
  std::string stableName;  // /dev/serial/by-id/... resolving to the device, or empty
  std::string description;
  std::string usbId;  // "vvvv:pppp" in hex, or empty
  std::string serialNumber;
  std::optional<int> number;  // the Comm item number that opens this device
};

struct PortReport {
  std::string port;                     // the device, or tcp://HOST:PORT, or what --port said
  std::optional<std::int32_t> speed;    // empty over TCP or when unknown
  std::optional<std::uint16_t> sender;  // the receiver's sender id, once a frame was heard
  ExitCode exit = ExitCode::Done;
  std::optional<std::string> diagnosis;
  bool saved = false;  // the save was sent (the receiver does not answer a save)
  bool rolledBack = false;
  std::int64_t elapsedMs = 0;
  std::vector<SettingEntry> settings;
  std::optional<SerialPortListing> listing;
};

struct Report {
  std::string command;               // empty when the command line named none
  std::optional<std::string> error;  // a usage or profile error: then no port was touched
  std::vector<PortReport> ports;
  std::vector<transfer::ProfileSetting> profile;  // base-profile: the rows it prints
  // base-profile: the settings it leaves out, each with the flag that would fill it in.
  std::vector<std::pair<std::string, std::string>> leftOut;
  ExitCode ownExit = ExitCode::Done;  // a usage error: Usage

  // The highest of the ports' codes and the report's own.
  ExitCode Exit() const;
};

Report UsageReport(std::string command, std::string message);

// One entry per setting the rows name, in the order of its first row, wanting the value of its
// last row (what the receiver holds once every row has been written); outcome and status are
// the caller's to fill in.
std::vector<SettingEntry> EntriesFor(const std::vector<transfer::ProfileSetting>& rows);

std::string RenderJson(const Report& report);
// The text for stdout. Commands that print a profile (get, dump, base-profile) keep stdout a
// valid profile: every other line there is a comment. With several ports each port's rows come
// under a header naming it, and a line per port ends the report. quiet keeps only data and
// failures.
std::string RenderText(const Report& report, bool quiet);

}  // namespace orvane::ctl
