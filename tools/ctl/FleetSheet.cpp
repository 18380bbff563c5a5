// SPDX-License-Identifier: Apache-2.0
#include "FleetSheet.h"

#include <map>
#include <optional>

#include "Overrides.h"
#include "PortSpec.h"
#include "ProfileInput.h"
#include "link/Utf8.h"
#include "transfer/SettingValues.h"

namespace orvane::ctl {

namespace {

struct Cell {
  std::string text;
  int line = 0;
  int column = 0;  // 1-based, as a spreadsheet counts them
};

using Record = std::vector<Cell>;

struct Fault {
  int line = 0;
  int column = 0;
  std::string message;
};

// Splits the text into records of cells; the first fault ends it.
class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") at_ = 3;
  }

  std::variant<std::vector<Record>, Fault> Records() {
    std::vector<Record> records;
    while (at_ < text_.size()) {
      Record record;
      if (auto fault = ReadRecord(record)) return *fault;
      // A blank line holds no receiver (spreadsheets leave them at the end).
      if (record.size() > 1 || !record.front().text.empty()) records.push_back(std::move(record));
    }
    return records;
  }

 private:
  std::optional<Fault> ReadRecord(Record& record) {
    for (;;) {
      Cell cell{{}, line_, static_cast<int>(record.size()) + 1};
      if (auto fault = ReadCell(cell)) return fault;
      record.push_back(std::move(cell));
      if (at_ >= text_.size()) return std::nullopt;
      const char end = text_[at_++];
      if (end == ',') continue;
      if (end == '\r') {
        if (at_ >= text_.size() || text_[at_] != '\n') {
          return Fault{line_, record.back().column, "a carriage return without a line feed"};
        }
        ++at_;
      }
      ++line_;
      return std::nullopt;
    }
  }

  // Stops at the comma or line end after the cell, or at the end of the text.
  std::optional<Fault> ReadCell(Cell& cell) {
    const bool quoted = at_ < text_.size() && text_[at_] == '"';
    if (quoted) ++at_;
    for (;;) {
      if (at_ >= text_.size()) {
        if (quoted) return Fault{cell.line, cell.column, "a quote opened here is never closed"};
        return std::nullopt;
      }
      const char c = text_[at_];
      if (quoted && c == '"') {
        if (at_ + 1 < text_.size() && text_[at_ + 1] == '"') {
          cell.text += '"';
          at_ += 2;
          continue;
        }
        ++at_;
        if (at_ < text_.size() && !AtCellEnd()) {
          return Fault{line_, cell.column, "text after a closing quote; double a quote inside one"};
        }
        return std::nullopt;
      }
      if (!quoted && AtCellEnd()) return std::nullopt;
      if (!quoted && c == '"') {
        return Fault{line_, cell.column, "a quote inside a cell that does not start with one"};
      }
      if (c == '\r' && (at_ + 1 >= text_.size() || text_[at_ + 1] != '\n')) {
        return Fault{line_, cell.column, "a carriage return without a line feed"};
      }
      std::string_view rest = text_.substr(at_);
      if (!link::NextCodePoint(rest)) return Fault{line_, cell.column, "not valid UTF-8"};
      if (c == '\n') ++line_;
      const std::size_t length = text_.size() - at_ - rest.size();
      cell.text.append(text_.substr(at_, length));
      at_ += length;
    }
  }

  bool AtCellEnd() const {
    const char c = text_[at_];
    return c == ',' || c == '\n' || c == '\r';
  }

  std::string_view text_;
  std::size_t at_ = 0;
  int line_ = 1;
};

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The header's keys, one per column after port.
std::variant<std::vector<Key>, Fault> HeaderKeys(const Record& header) {
  if (Trimmed(header.front().text) != "port") {
    return Fault{header.front().line, 1, "the first column's header must be port"};
  }
  std::vector<Key> keys;
  std::map<std::string, int> seen;
  for (std::size_t i = 1; i < header.size(); ++i) {
    const Cell& cell = header[i];
    const std::string name = Trimmed(cell.text);
    const auto dot = name.find('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size() ||
        name.find_first_of("=[]") != std::string::npos) {
      return Fault{cell.line, cell.column, "'" + name + "' is not a section.name key"};
    }
    if (const auto [at, added] = seen.emplace(name, cell.column); !added) {
      return Fault{cell.line, cell.column, name + " is also column " + std::to_string(at->second)};
    }
    keys.push_back({name.substr(0, dot), name.substr(dot + 1), {}});
  }
  return keys;
}

std::variant<FleetRow, Fault> RowOf(const Record& record, const std::vector<Key>& keys,
                                    bool force) {
  const Cell& port = record.front();
  if (record.size() > keys.size() + 1) {
    const Cell& extra = record[keys.size() + 1];
    return Fault{
        extra.line, extra.column,
        "the row is longer than the header (" + std::to_string(keys.size() + 1) + " columns)"};
  }
  auto spec = ParsePortSpec(port.text);
  if (auto* why = std::get_if<std::string>(&spec)) return Fault{port.line, 1, *why};
  FleetRow row{std::get<PortSpec>(spec), {}, port.line};
  if (row.port.kind == PortSpec::Kind::Auto) {
    return Fault{port.line, 1, "auto is no one receiver: name its port"};
  }
  for (std::size_t i = 1; i < record.size(); ++i) {
    const Cell& cell = record[i];
    if (cell.text.empty()) continue;
    Key key = keys[i - 1];
    key.value = cell.text;
    const std::string named = key.section + "." + key.name + " \"" + cell.text + "\"";
    if (auto why = transfer::WhyUnsendable(key.section, key.name, key.value)) {
      return Fault{cell.line, cell.column, named + " cannot be sent: " + *why};
    }
    if (auto why = transfer::WhyValueRefused(key.section, key.name, key.value); why && !force) {
      return Fault{cell.line, cell.column, named + ": " + *why + " (--force sends it anyway)"};
    }
    row.values.push_back(std::move(key));
  }
  return row;
}

std::variant<std::vector<FleetRow>, Fault> Rows(std::string_view text, bool force) {
  auto read = Reader(text).Records();
  if (auto* fault = std::get_if<Fault>(&read)) return *fault;
  const auto& records = std::get<std::vector<Record>>(read);
  if (records.empty()) return Fault{1, 1, "empty: a header row and a row per receiver are needed"};
  auto keys = HeaderKeys(records.front());
  if (auto* fault = std::get_if<Fault>(&keys)) return *fault;
  std::vector<FleetRow> rows;
  std::map<std::string, int> seen;  // port -> the line naming it first
  for (std::size_t i = 1; i < records.size(); ++i) {
    auto row = RowOf(records[i], std::get<std::vector<Key>>(keys), force);
    if (auto* fault = std::get_if<Fault>(&row)) return *fault;
    FleetRow& each = std::get<FleetRow>(row);
    if (const auto [at, added] = seen.emplace(each.port.text, each.line); !added) {
      return Fault{each.line, 1, each.port.text + " is also on line " + std::to_string(at->second)};
    }
    rows.push_back(std::move(each));
  }
  if (rows.empty())
    return Fault{records.front().front().line + 1, 1, "no receivers below the header"};
  return rows;
}

}  // namespace

std::variant<std::vector<FleetRow>, std::string> ParseFleetSheet(std::string_view text,
                                                                 const std::string& file,
                                                                 bool force) {
  auto rows = Rows(text, force);
  if (auto* fault = std::get_if<Fault>(&rows)) {
    return file + ": line " + std::to_string(fault->line) + ", column " +
           std::to_string(fault->column) + ": " + fault->message;
  }
  return std::get<std::vector<FleetRow>>(std::move(rows));
}

std::optional<std::string> TakeFleet(Options& options) {
  auto read = ReadProfileText(options.fleetPath);
  if (auto* why = std::get_if<std::string>(&read)) return *why;
  const ProfileText& input = std::get<ProfileText>(read);
  auto parsed = ParseFleetSheet(input.text, input.name, options.force);
  if (auto* why = std::get_if<std::string>(&parsed)) return *why;
  options.ports.clear();
  options.portProfiles.clear();
  for (const FleetRow& row : std::get<std::vector<FleetRow>>(parsed)) {
    options.ports.push_back(row.port);
    options.portProfiles.push_back(WithOverrides(options.profile, row.values));
  }
  return std::nullopt;
}

}  // namespace orvane::ctl
