// SPDX-License-Identifier: Apache-2.0
// The usage text: a synopsis on one line, then one paragraph per command, option and topic. Each
// command's paragraph also answers that command's own --help. The manual page says the same at
// more length (packaging/man/orvanectl.1.scd): a change here belongs there too.

#include <string_view>

#include "CommandLine.h"

namespace orvane::ctl {

namespace {

struct CommandHelp {
  std::string_view name;
  std::string_view text;  // the synopsis line or lines, then the description, indented
};

constexpr CommandHelp kCommandHelp[] = {
    {"ports", R"(  ports [--probe]
      Lists the serial ports: device, stable name (/dev/serial/by-id/... where one exists),
      description, USB vendor:product and serial number. --probe also says where a receiver
      answers, and at what speed.
)"},
    {"detect", R"(  detect
      Per port: speed, heartbeat heard, and a diagnosis.
)"},
    {"get", R"(  get KEY...
      Reads settings; KEY is section.name. Prints the values as a profile. A setting the
      receiver does not have is reported unknown (exit 4), with the known key nearest to it.
)"},
    {"set", R"(  set KEY=VALUE... [--no-save] [--force]
      Writes settings, then saves them on the receiver unless --no-save. Values are checked
      first, as for apply.
)"},
    {"dump", R"(  dump
      Reads every setting of the window's read and write tables; prints a profile.
)"},
    {"diff", R"(  diff PROFILE
      Shows what apply would change; exits 1 when anything differs.
)"},
    {"apply", R"(  apply PROFILE [--all] [--dry-run] [--no-save] [--force] [--set KEY=VALUE]...
        [--fleet SHEET.csv]
      Writes the profile's settings that differ (every one with --all), reads them back and
      saves them. --dry-run only shows what would change, and exits 1 when anything differs.
      Nothing is sent (exit 2) when a value is one the receiver would refuse (an address that
      is not IPv4, a latitude, longitude or elevation mask out of range, a mode, port number or
      baud rate it has not got), or when the settings would blank a base station: an empty
      ethernet.ip_address, netmask or gateway, or a surveyed latitude, longitude and altitude
      all zero. --force writes them anyway.
      --set KEY=VALUE (repeatable) gives every row of KEY that value, or adds the row where the
      profile has none. --fleet SHEET.csv runs on the ports the sheet names, each with its own
      values on top of the profile (and of --set); it takes the place of --port. The sheet is
      CSV (RFC 4180, UTF-8) with a header row: port (anything --port takes but auto), then a
      section.name key per column; an empty cell keeps the profile's value. A faulty sheet is
      named with its line and column, and nothing is sent.
)"},
    {"journal", R"(  journal [--port P]... [--sender N] FILE
      One receiver's history from a journal (--journal), newest first: the port as the
      journal names it (or another name of the same device), the sender id in decimal or
      0x hex. Lines that are not whole journal entries are skipped, and counted on stderr.
)"},
    {"base-profile",
     R"(  base-profile [--ip A] [--gateway A] [--netmask A] [--elevation-mask X] [--lat X] [--lon X]
               [--alt X] [--rtk sbp|rtcm] [--beidou|--no-beidou] [--glonass|--no-glonass]
               [--sbas|--no-sbas] [--galileo|--no-galileo]
      Prints the window's 49-row base-station write as a profile, with the window's field
      defaults where a flag is absent; the address, netmask, gateway and position rows whose
      flag is absent are left out (their defaults are empty or 0), and a comment says so.
)"},
};

std::string Commands() {
  std::string text = "Commands:\n";
  for (const CommandHelp& command : kCommandHelp) text += command.text;
  return text;
}

}  // namespace

std::string CommandUsageText(const std::string& command) {
  for (const CommandHelp& each : kCommandHelp) {
    if (each.name != command) continue;
    return "Usage: orvanectl [OPTION]... " + std::string(each.text.substr(2)) +
           "\nThe options every command takes (--port, --baud, --json, ...) and the exit "
           "status:\norvanectl --help\n";
  }
  return UsageText();
}

const std::string& UsageText() {
  static const std::string text =
      R"(Usage: orvanectl [--port DEV]... [--baud N|auto] [--json] [--in-flight N] [--timeout MS] [--retries N] [-q] [-v] [--journal FILE] COMMAND ...

Reads and writes the settings of Orvane GNSS receivers over a serial line or TCP.

)" + Commands() +
      "\n" + R"(Options:
  --port DEV
      A device path, a number N (what the window's Comm item N opens: its device, or the
      tcp://HOST:PORT of ORVANE_COM<N>), tcp://HOST:PORT (an IPv6 host in brackets), or auto
      (every serial port where a receiver answers).
      Repeated, the command runs on every port at once and reports per port. Default: auto.
  --baud N|auto
      The serial speed, or auto to find it. Default: auto.
  --json
      Prints one JSON document on stdout, for every command and for usage errors.
  --in-flight N
      Requests sent before waiting for their answers. Default: 4.
  --timeout MS
      How long to wait for an answer, counted from when the request has left the line, before
      sending it again. Default: 500.
  --retries N
      How many times a request is sent again before its setting counts as unanswered.
      Default: 3.
  -q, --quiet
      Prints only data and failures: no unchanged rows, nothing for a port that succeeded but
      a detect's diagnosis.
  -v, --verbose
      Traces every frame on stderr.
  --journal FILE
      Appends a line of JSON per port to FILE for every run that talks to a receiver: time
      (UTC, when the run started), command, profile, fleet, port, speed, sender, exit,
      diagnosis, saved, rolled_back, elapsed_ms and every setting's wanted, before, after,
      outcome, status and restored. Each line goes in with one write and an fsync, so runs at
      once and a kill leave whole lines. Default: the environment's ORVANE_JOURNAL, if set.
  -h, --help
      Prints this text; after a command, that command's own.
  --version
      Prints the program's version.

Profiles:
  UTF-8 text. [section] lines, then name = value lines. Lines starting with # or ; are
  comments; blank lines are ignored; spaces around sections, names and values are trimmed;
  rows keep their order and a name may repeat. Everything after the first = is the value:
  # and ; inside a value belong to it. A value in double quotes loses the outer pair, which
  keeps spaces at its ends. Every value must travel as one settings write: Latin-1
  characters, no NUL, at most 255 bytes of payload. A faulty file is named with its line,
  and nothing is sent.

Output:
  Results go to stdout; get, dump and base-profile print a profile there, with everything
  else as comments. A progress bar per port goes to stderr when it is a terminal; with -v a
  trace of every frame. With --json, one document:
    {"command": ..., "exit": N, "ports": [{"port": ..., "speed": ..., "exit": N,
     "sender": N, "diagnosis": ..., "saved": bool, "elapsed_ms": N, "settings":
     [{"section": ..., "name": ..., "wanted": ..., "before": ..., "after": ...,
     "outcome": ..., "status": N, "suggestion": ...}]}]}
  outcome is one of unchanged, differs, written, refused, mismatch, unanswered, read,
  unknown (the receiver has no such setting; suggestion is the known key nearest to it).
  With several ports, each port's rows come under a header line "== PORT (sender 0xNNNN):
  counts, exit N"; the same lines, without "== ", end the report.
  A usage error adds "error"; base-profile adds "profile" (section, name, value per row)
  and "left_out" (the settings it left out); ports adds stable_name, description, usb_id,
  serial_number and number to each port.

Exit status:
  0  done
  1  differences (diff, apply --dry-run)
  2  usage or profile error; nothing was sent
  3  no receiver: port missing or not openable, or nothing answered
  4  a setting was refused, or the receiver has no such setting
  5  a read-back differs from what was written
  6  a setting stayed unanswered after the retries
  With several ports, the highest of their codes.
)";
  return text;
}

}  // namespace orvane::ctl
