// SPDX-License-Identifier: Apache-2.0
#include "Report.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <string_view>

#include "Json.h"

namespace orvane::ctl {

namespace {

std::string KeyOf(const SettingEntry& entry) {
  return entry.section + "." + entry.name;
}

bool PrintsProfile(std::optional<Command> command) {
  return command == Command::Get || command == Command::Dump || command == Command::BaseProfile;
}

void ListingText(std::string& out, const PortReport& port) {
  const SerialPortListing& listing = *port.listing;
  out += port.port;
  if (listing.number) out += "  (port " + std::to_string(*listing.number) + ")";
  out += '\n';
  if (!listing.stableName.empty()) out += "  stable name:   " + listing.stableName + "\n";
  if (!listing.description.empty()) out += "  description:   " + listing.description + "\n";
  if (!listing.usbId.empty()) out += "  USB id:        " + listing.usbId + "\n";
  if (!listing.serialNumber.empty()) out += "  serial number: " + listing.serialNumber + "\n";
}

std::string DidYouMean(const SettingEntry& entry) {
  return entry.suggestion ? "; did you mean " + *entry.suggestion + "?" : std::string();
}

std::string EntryText(const SettingEntry& entry) {
  std::string line = "  " + KeyOf(entry) + ": ";
  const auto shown = [](const std::optional<std::string>& value) {
    return value ? "\"" + *value + "\"" : std::string("?");
  };
  switch (entry.outcome) {
    case Outcome::Read:
    case Outcome::Unchanged:
      line += shown(entry.after ? entry.after : entry.before);
      break;
    case Outcome::Differs:
      line += shown(entry.before) + " -> " + shown(entry.wanted);
      break;
    case Outcome::Written:
      line += shown(entry.before) + " -> " + shown(entry.after);
      break;
    case Outcome::Refused:
    case Outcome::Mismatch:
    case Outcome::Unanswered:
      line += "wanted " + shown(entry.wanted) + ", reads " +
              shown(entry.after ? entry.after : entry.before);
      break;
    case Outcome::Unknown:
      line += "the receiver has no such setting" + DidYouMean(entry);
      break;
  }
  line += std::string(" (") + OutcomeName(entry.outcome);
  if (entry.status) line += ", status " + std::to_string(*entry.status);
  if (entry.restored) line += *entry.restored ? ", put back" : ", NOT put back";
  return line + ")\n";
}

// After a run that had to go back: whether it got there, and what a power cycle would mend.
std::string RollbackText(const PortReport& port) {
  std::string left;
  for (const auto& entry : port.settings) {
    if (entry.restored == false) left += (left.empty() ? "" : ", ") + KeyOf(entry);
  }
  if (left.empty()) return port.rolledBack ? "  rolled back: the receiver is as it was\n" : "";
  return "  left changed: " + left +
         "; not saved, so a power cycle brings back the receiver's saved settings\n";
}

// get and dump: the values read, as a profile, and everything else as comments.
void ProfilePortText(std::string& out, const PortReport& port, bool several) {
  if (several) out += "# port " + port.port + "\n";
  std::vector<transfer::ProfileSetting> rows;
  for (const auto& entry : port.settings) {
    const auto& value = entry.after ? entry.after : entry.before;
    if (value) rows.push_back({entry.section, entry.name, *value, 0});
  }
  const transfer::RenderedProfile rendered = transfer::RenderProfile(rows);
  out += rendered.Ok() ? rendered.text
                       : "# cannot print as a profile: " + rendered.error->What() + "\n";
  for (const auto& entry : port.settings) {
    if (!entry.after && !entry.before)
      out += "# " + KeyOf(entry) + ": " + OutcomeName(entry.outcome) + DidYouMean(entry) + "\n";
  }
}

std::string Hex(std::uint16_t sender) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%04X", unsigned{sender});
  return hex;
}

// What a port's run came to, on one line: "/dev/ttyUSB0 (sender 0x1234): 3 written, saved,
// exit 0".
std::string Summary(const PortReport& port) {
  constexpr std::pair<Outcome, const char*> kCounted[] = {
      {Outcome::Written, "written"},     {Outcome::Differs, "differ"},
      {Outcome::Unchanged, "unchanged"}, {Outcome::Read, "read"},
      {Outcome::Refused, "refused"},     {Outcome::Unknown, "unknown"},
      {Outcome::Mismatch, "mismatched"}, {Outcome::Unanswered, "unanswered"}};
  std::string line = port.port;
  if (port.sender) line += " (sender " + Hex(*port.sender) + ")";
  line += ": ";
  for (const auto& [outcome, word] : kCounted) {
    const auto n =
        std::count_if(port.settings.begin(), port.settings.end(),
                      [outcome = outcome](const auto& e) { return e.outcome == outcome; });
    if (n == 0) continue;
    line += std::to_string(n) + " " + word;
    if (outcome == Outcome::Differs && n == 1) line += 's';
    line += ", ";
  }
  if (port.saved) line += "saved, ";
  if (port.rolledBack) line += "rolled back, ";
  if (port.diagnosis) line += *port.diagnosis + ", ";
  return line + "exit " + std::to_string(static_cast<int>(port.exit));
}

// A failure's diagnosis is said on stderr, not among the results.
bool ToStderr(const PortReport& port) {
  return port.diagnosis && port.exit > ExitCode::Differences;
}

// A detect's diagnosis is its result; for other commands it explains a failure.
bool DiagnosisIsData(std::optional<Command> command) {
  return command == Command::Detect || command == Command::Ports;
}

// What a port prints. With several ports its rows come under a header that names it, so that no
// row can be taken for another port's.
void PortText(std::string& out, const Report& report, const PortReport& port, bool quiet) {
  const bool failed = port.exit != ExitCode::Done;
  const bool several = report.ports.size() > 1;
  const bool shown = failed || !quiet || DiagnosisIsData(report.command);
  if (PrintsProfile(report.command)) {
    ProfilePortText(out, port, several);
    if (port.diagnosis && shown && !ToStderr(port)) {
      out += "# " + port.port + ": " + *port.diagnosis + "\n";
    }
    return;
  }
  if (several) {
    if (shown) out += "== " + Summary(port) + "\n";
  } else if (port.diagnosis && shown && !ToStderr(port)) {
    // A failure's goes to stderr. The sender tells which receiver sat on the port.
    out += port.port + ": " + *port.diagnosis;
    if (port.sender) out += ", sender " + Hex(*port.sender);
    out += '\n';
  }
  if (quiet && !failed) return;
  for (const auto& entry : port.settings) {
    if (!quiet || entry.outcome != Outcome::Unchanged) out += EntryText(entry);
  }
  out += RollbackText(port);
  if (port.saved && !several) out += "  settings saved\n";
}

// The settings base-profile leaves out, as comments above its rows.
std::string LeftOutText(const Report& report) {
  if (report.leftOut.empty()) return {};
  std::string out =
      "# Left out: their flags were not given and the window's default (empty or 0) would\n"
      "# blank the base station's address or position:\n";
  for (const auto& [key, flag] : report.leftOut) out += "#   " + key + " (" + flag + ")\n";
  return out;
}

}  // namespace

namespace {

Json SettingJson(const SettingEntry& entry) {
  return Json::Object{{"section", entry.section},  {"name", entry.name},
                      {"wanted", entry.wanted},    {"before", entry.before},
                      {"after", entry.after},      {"outcome", OutcomeName(entry.outcome)},
                      {"status", entry.status},    {"suggestion", entry.suggestion},
                      {"restored", entry.restored}};
}

}  // namespace

Json::Object PortObject(const PortReport& port) {
  Json::Array settings;
  for (const auto& entry : port.settings) settings.push_back(SettingJson(entry));
  Json::Object object{{"port", port.port},
                      {"speed", port.speed ? Json(int{*port.speed}) : Json()},
                      {"sender", port.sender ? Json(int{*port.sender}) : Json()},
                      {"exit", static_cast<int>(port.exit)},
                      {"diagnosis", port.diagnosis},
                      {"saved", port.saved},
                      {"rolled_back", port.rolledBack},
                      {"elapsed_ms", port.elapsedMs},
                      {"settings", std::move(settings)}};
  if (port.listing) {
    const auto orNull = [](const std::string& text) { return text.empty() ? Json() : Json(text); };
    object.emplace_back("stable_name", orNull(port.listing->stableName));
    object.emplace_back("description", orNull(port.listing->description));
    object.emplace_back("usb_id", orNull(port.listing->usbId));
    object.emplace_back("serial_number", orNull(port.listing->serialNumber));
    object.emplace_back("number", port.listing->number);
  }
  return object;
}

const char* OutcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::Unchanged:
      return "unchanged";
    case Outcome::Differs:
      return "differs";
    case Outcome::Written:
      return "written";
    case Outcome::Refused:
      return "refused";
    case Outcome::Mismatch:
      return "mismatch";
    case Outcome::Unanswered:
      return "unanswered";
    case Outcome::Read:
      return "read";
    case Outcome::Unknown:
      return "unknown";
  }
  return "read";
}

ExitCode Report::Exit() const {
  ExitCode highest = ownExit;
  for (const auto& port : ports) highest = std::max(highest, port.exit);
  return highest;
}

int Report::Status() const {
  return signal != 0 ? 128 + signal : static_cast<int>(Exit());
}

Report UsageReport(std::optional<Command> command, std::string message) {
  Report report;
  report.command = command;
  report.error = std::move(message);
  report.ownExit = ExitCode::Usage;
  return report;
}

std::vector<SettingEntry> EntriesFor(const std::vector<transfer::ProfileSetting>& rows) {
  std::vector<SettingEntry> entries;
  std::map<std::pair<std::string_view, std::string_view>, std::size_t> index;
  for (const auto& row : rows) {
    const auto [at, added] = index.try_emplace({row.section, row.name}, entries.size());
    if (!added) {
      entries[at->second].wanted = row.value;
      continue;
    }
    SettingEntry entry;
    entry.section = row.section;
    entry.name = row.name;
    entry.wanted = row.value;
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::string RenderJson(const Report& report) {
  Json::Array ports;
  for (const auto& port : report.ports) ports.push_back(PortObject(port));
  Json::Object document{{"command", report.command ? Json(CommandName(*report.command)) : Json()},
                        {"exit", report.Status()},
                        {"ports", std::move(ports)}};
  if (report.error) document.emplace_back("error", *report.error);
  if (report.command == Command::BaseProfile && !report.error) {
    Json::Array rows;
    for (const auto& row : report.profile) {
      rows.push_back(
          Json::Object{{"section", row.section}, {"name", row.name}, {"value", row.value}});
    }
    document.emplace_back("profile", std::move(rows));
    Json::Array leftOut;
    for (const auto& each : report.leftOut) leftOut.push_back(each.first);
    document.emplace_back("left_out", std::move(leftOut));
  }
  return Json(std::move(document)).Dump();
}

std::string RenderErrors(const Report& report, bool json) {
  if (report.error) {
    return "orvanectl: " + *report.error + (json ? "\n" : "\nTry 'orvanectl --help'.\n");
  }
  std::string out;
  for (const auto& port : report.ports) {
    // A run cut short by a signal is a failure whatever its settings came to.
    if (port.exit > ExitCode::Differences || report.signal != 0) {
      out += "orvanectl: " + Summary(port) + "\n";
    }
  }
  return out;
}

std::string RenderText(const Report& report, bool quiet) {
  if (report.error) return {};
  std::string out;
  if (report.command == Command::BaseProfile) {
    const transfer::RenderedProfile rendered = transfer::RenderProfile(report.profile);
    return LeftOutText(report) +
           (rendered.Ok() ? rendered.text
                          : "# cannot print as a profile: " + rendered.error->What() + "\n");
  }
  const bool listing = std::any_of(report.ports.begin(), report.ports.end(),
                                   [](const PortReport& port) { return port.listing.has_value(); });
  if (report.command == Command::Ports && report.ports.empty() && !quiet)
    return "No serial ports found.\n";
  for (const auto& port : report.ports) {
    if (listing && port.listing) {
      if (!quiet) ListingText(out, port);
    } else {
      PortText(out, report, port, quiet);
    }
  }
  // The headers already say it all under -q.
  if (quiet || report.ports.size() < 2 || listing || PrintsProfile(report.command)) return out;
  out += '\n';
  for (const auto& port : report.ports) out += Summary(port) + "\n";
  return out;
}

}  // namespace orvane::ctl
