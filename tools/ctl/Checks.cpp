// SPDX-License-Identifier: Apache-2.0
#include "Checks.h"

#include <algorithm>
#include <map>
#include <string_view>

#include "transfer/BaseStation.h"
#include "transfer/SettingValues.h"

namespace orvane::ctl {

namespace {

using Row = transfer::ProfileSetting;

std::string KeyOf(const std::string& section, const std::string& name) {
  return section + "." + name;
}

// Written in decimal, the number zero: "0", "-0", "0.000".
bool IsZero(std::string_view value) {
  if (!value.empty() && (value.front() == '+' || value.front() == '-')) value.remove_prefix(1);
  return value.find('0') != std::string_view::npos &&
         value.find_first_not_of(".0") == std::string_view::npos &&
         std::count(value.begin(), value.end(), '.') <= 1;
}

// The last row of each setting: what the receiver holds once every row is written.
std::map<std::string, const Row*> FinalRows(const std::vector<Row>& rows) {
  std::map<std::string, const Row*> last;
  for (const Row& row : rows) last[KeyOf(row.section, row.name)] = &row;
  return last;
}

// A row of a file is named by its line; one whose value came from the command line (line 0)
// by --set.
std::string Where(const Row& row, bool fromFile) {
  if (!fromFile) return {};
  return row.line > 0 ? " (line " + std::to_string(row.line) + ")" : std::string(" (--set)");
}

// An empty address, netmask or gateway, or a surveyed position all zero.
std::vector<std::string> Blanks(const std::vector<Row>& rows, bool fromFile) {
  const auto last = FinalRows(rows);
  std::vector<std::string> blanks;
  for (const char* name : {"ip_address", "netmask", "gateway"}) {
    const auto it = last.find(KeyOf("ethernet", name));
    if (it != last.end() && it->second->value.empty()) {
      blanks.push_back("ethernet." + std::string(name) + " empty" + Where(*it->second, fromFile));
    }
  }
  std::string names;
  std::string lines;
  for (const char* name : {"surveyed_lat", "surveyed_lon", "surveyed_alt"}) {
    const auto it = last.find(KeyOf("surveyed_position", name));
    if (it == last.end() || !IsZero(it->second->value)) return blanks;
    names += (names.empty() ? "surveyed_position." : ", ") + std::string(name);
    const int line = it->second->line;
    lines += (lines.empty() ? " (lines " : ", ") + (line > 0 ? std::to_string(line) : "--set");
  }
  blanks.push_back(names + " all zero" + (fromFile ? lines + ")" : std::string()));
  return blanks;
}

std::size_t Distance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::optional<std::string> WhyNotWritten(const std::vector<Row>& rows, const std::string& origin,
                                         bool fromFile) {
  const std::vector<std::string> blanks = Blanks(rows, fromFile);
  if (!blanks.empty()) {
    std::string list;
    for (const auto& blank : blanks) list += (list.empty() ? "" : "; ") + blank;
    return origin + ": would leave the base station without an address or position: " + list +
           ". Give the values, or --force to write them anyway";
  }
  for (const Row& row : rows) {
    const auto why = transfer::WhyValueRefused(row.section, row.name, row.value);
    if (!why) continue;
    const std::string what = KeyOf(row.section, row.name);
    const std::string named = !fromFile      ? origin + ": " + what + "=" + row.value
                              : row.line > 0 ? origin + ": line " + std::to_string(row.line) +
                                                   ": " + what + " = \"" + row.value + "\""
                                             : "--set " + what + "=" + row.value;
    return named + ": " + *why + " (--force sends it anyway)";
  }
  return std::nullopt;
}

bool IsKnownKey(const std::string& section, const std::string& name) {
  const auto& rows = transfer::BaseStationProfile();
  return std::any_of(rows.begin(), rows.end(), [&](const transfer::ProfileRow& row) {
    return row.key.section == section && row.key.name == name;
  });
}

std::optional<std::string> NearestKnownKey(const std::string& section, const std::string& name) {
  const std::string wanted = KeyOf(section, name);
  std::optional<std::string> nearest;
  std::size_t best = std::max<std::size_t>(3, wanted.size() / 4) + 1;
  for (const transfer::ProfileRow& row : transfer::BaseStationProfile()) {
    const std::string known = KeyOf(row.key.section, row.key.name);
    const std::size_t distance = Distance(wanted, known);
    if (distance < best) {
      best = distance;
      nearest = known;
    }
  }
  return nearest;
}

void MarkUnknownSettings(PortReport& port) {
  for (SettingEntry& entry : port.settings) {
    const bool readEmpty = entry.before && entry.before->empty();
    const bool unverified = entry.outcome == Outcome::Read || entry.outcome == Outcome::Unchanged ||
                            entry.outcome == Outcome::Differs || entry.outcome == Outcome::Refused;
    if (!readEmpty || !unverified || IsKnownKey(entry.section, entry.name)) continue;
    entry.outcome = Outcome::Unknown;
    entry.before.reset();
    entry.suggestion = NearestKnownKey(entry.section, entry.name);
    port.exit = std::max(port.exit, ExitCode::Refused);
  }
}

}  // namespace orvane::ctl
