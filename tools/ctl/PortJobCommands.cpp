// SPDX-License-Identifier: Apache-2.0
// What each receiver command does once the port is open and the receiver's speed is known.

#include <QTimer>
#include <algorithm>
#include <set>

#include "PortJob.h"
#include "link/SettingsMessages.h"
#include "transfer/BaseStation.h"

namespace orvane::ctl {

using namespace std::chrono_literals;
using transfer::Direction;
using Answer = transfer::Outcome;

namespace {

std::vector<SettingName> Names(const std::vector<SettingEntry>& entries) {
  std::vector<SettingName> names;
  for (const auto& entry : entries) names.emplace_back(entry.section, entry.name);
  return names;
}

std::vector<SettingEntry> EntriesNamed(const std::vector<SettingName>& names) {
  std::vector<SettingEntry> entries;
  for (const auto& [section, name] : names) {
    SettingEntry entry;
    entry.section = section;
    entry.name = name;
    entries.push_back(std::move(entry));
  }
  return entries;
}

// Every setting the window reads or writes, each once, in the order the window first uses it.
std::vector<SettingName> WindowSettings() {
  std::vector<SettingName> names;
  const auto add = [&names](const transfer::SettingKey& key) {
    const SettingName name{key.section, key.name};
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  };
  for (const auto& field : transfer::BaseStationFields()) add(field.key);
  for (const auto& row : transfer::BaseStationProfile()) add(row.key);
  return names;
}

ExitCode CodeOf(Answer outcome) {
  switch (outcome) {
    case Answer::Refused:
      return ExitCode::Refused;
    case Answer::Unanswered:
    case Answer::NotSendable:
    case Answer::NotSent:
    case Answer::Awaiting:
      return ExitCode::Unanswered;
    default:
      return ExitCode::Done;
  }
}

ExitCode CodeOf(ctl::Outcome outcome) {
  switch (outcome) {
    case ctl::Outcome::Differs:
      return ExitCode::Differences;
    case ctl::Outcome::Refused:
      return ExitCode::Refused;
    case ctl::Outcome::Mismatch:
      return ExitCode::Mismatch;
    case ctl::Outcome::Unanswered:
      return ExitCode::Unanswered;
    default:
      return ExitCode::Done;
  }
}

// The address or the port of a receiver's TCP server: once written, it answers elsewhere.
bool MovesEndpoint(const transfer::ProfileSetting& row) {
  return (row.section == "ethernet" && row.name == "ip_address") ||
         (row.section.starts_with("tcp_server") && row.name == "port");
}

}  // namespace

void PortJob::RunCommand() {
  switch (options_.command) {
    case Command::Ports:
    case Command::Detect:
      Detect();
      return;
    case Command::Get: {
      std::vector<SettingName> names;
      for (const Key& key : options_.keys) {
        const SettingName name{key.section, key.name};
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
      }
      ReadEntries(std::move(names));
      return;
    }
    case Command::Dump:
      ReadEntries(WindowSettings());
      return;
    case Command::Diff:
      Diff();
      return;
    case Command::Set: {
      std::vector<transfer::ProfileSetting> rows;
      for (const Key& key : options_.keys) rows.push_back({key.section, key.name, key.value, 0});
      Apply(std::move(rows), true);
      return;
    }
    case Command::Apply:
      Apply(options_.profile, options_.all);
      return;
    case Command::BaseProfile:
    case Command::Journal:
      break;
  }
  Finish();
}

// A receiver found by its speed, a read answered or any frame; then a heartbeat is listened for,
// one period at the speed found. The speed search has usually heard the receiver already; only a
// speed given on the command line, or TCP, needs a read first.
void PortJob::Detect() {
  const auto listen = [this] {
    finder_->ListenForHeartbeat([this] {
      report_.diagnosis = watched_.Diagnosis();
      Finish();
    });
  };
  if (watched_.frames() > 0) return listen();
  Read({{session::SpeedFinder::kProbeSection, session::SpeedFinder::kProbeName}}, Policy(),
       [this, listen](Results) {
         if (watched_.frames() == 0) return Fail(ExitCode::NoReceiver, Diagnosis());
         listen();
       });
}

void PortJob::ReadEntries(std::vector<SettingName> names) {
  report_.settings = EntriesNamed(names);
  Read(names, Policy(), [this](Results results) {
    if (NothingHeard(results)) return Fail(ExitCode::NoReceiver, Diagnosis());
    NoteSlowAnswers(results);
    for (std::size_t i = 0; i < results.size(); ++i) {
      SettingEntry& entry = report_.settings[i];
      if (results[i].outcome == Answer::ValueRead) {
        entry.before = results[i].value;
        entry.outcome = ctl::Outcome::Read;
      } else {
        entry.outcome = ctl::Outcome::Unanswered;
        report_.exit = std::max(report_.exit, ExitCode::Unanswered);
      }
    }
    Finish();
  });
}

void PortJob::Diff() {
  report_.settings = EntriesFor(options_.profile);
  Read(Names(report_.settings), Policy(), [this](Results results) {
    if (NothingHeard(results)) return Fail(ExitCode::NoReceiver, Diagnosis());
    NoteSlowAnswers(results);
    for (std::size_t i = 0; i < results.size(); ++i) {
      SettingEntry& entry = report_.settings[i];
      if (results[i].outcome != Answer::ValueRead) {
        entry.outcome = ctl::Outcome::Unanswered;
      } else {
        entry.before = results[i].value;
        entry.outcome =
            entry.before == entry.wanted ? ctl::Outcome::Unchanged : ctl::Outcome::Differs;
      }
      report_.exit = std::max(report_.exit, CodeOf(entry.outcome));
    }
    Finish();
  });
}

void PortJob::Apply(std::vector<transfer::ProfileSetting> rows, bool all) {
  rows_ = std::move(rows);
  all_ = all;
  report_.settings = EntriesFor(rows_);
  rowWrites_.assign(rows_.size(), transfer::ItemResult{});
  for (std::size_t i = 0; i < rows_.size(); ++i)
    rowsOf_[{rows_[i].section, rows_[i].name}].push_back(i);
  // Read, written, read back.
  progressExpected_ = progressTotal_ + report_.settings.size() * 2 + rows_.size();
  Read(Names(report_.settings), Policy(), [this](Results results) {
    if (NothingHeard(results)) return Fail(ExitCode::NoReceiver, Diagnosis());
    NoteSlowAnswers(results);
    ReadValues before;
    for (std::size_t i = 0; i < results.size(); ++i) {
      SettingEntry& entry = report_.settings[i];
      if (results[i].outcome != Answer::ValueRead) continue;
      entry.before = results[i].value;
      before[{entry.section, entry.name}] = results[i].value;
    }
    ApplyPlanned(before);
  });
}

void PortJob::ApplyPlanned(const ReadValues& before) {
  plan_ = PlanApply(rows_, before, all_, overTcp_);
  const std::vector<SettingName> writtenList = WrittenSettings(rows_, plan_);
  const std::set<SettingName> written(writtenList.begin(), writtenList.end());
  for (SettingEntry& entry : report_.settings) {
    if (written.contains({entry.section, entry.name})) {
      entry.outcome = ctl::Outcome::Differs;
    } else {
      entry.outcome = entry.before ? ctl::Outcome::Unchanged : ctl::Outcome::Unanswered;
    }
    if (options_.dryRun) report_.exit = std::max(report_.exit, CodeOf(entry.outcome));
  }
  if (options_.dryRun || plan_.Empty()) return Finish();
  std::vector<transfer::TransferItem> items;
  items.reserve(plan_.together.size());
  for (const std::size_t i : plan_.together) {
    const auto& row = rows_[i];
    const bool repeated = rowsOf_[{row.section, row.name}].size() > 1;
    items.push_back(
        {{row.section, row.name}, [value = row.value] { return value; }, false, repeated});
  }
  Transfer(
      Direction::Write, std::move(items), Policy(),
      [this](Results results) {
        TakeWrites(plan_.together, results);
        NoteSlowAnswers(results);
        WriteLast(0, [this] { ReadBack(); });
      },
      [this](std::size_t item, const transfer::ItemResult& result) {
        rowWrites_[plan_.together[item]] = result;
      });
}

void PortJob::TakeWrites(const std::vector<std::size_t>& rows, const Results& results) {
  for (std::size_t k = 0; k < rows.size(); ++k) rowWrites_[rows[k]] = results[k];
}

// The worst answer of a setting's rows: a refusal, else a row not accepted, else accepted.
transfer::ItemResult PortJob::WriteOf(const SettingName& name) const {
  const auto rank = [](Answer outcome) {
    return outcome == Answer::Refused ? 2 : outcome == Answer::Accepted ? 0 : 1;
  };
  const auto rows = rowsOf_.find(name);
  if (rows == rowsOf_.end()) return {};
  transfer::ItemResult worst = rowWrites_[rows->second.front()];
  for (const std::size_t i : rows->second) {
    if (rank(rowWrites_[i].outcome) > rank(worst.outcome)) worst = rowWrites_[i];
  }
  return worst;
}

std::string PortJob::LostAfter(const transfer::ProfileSetting& row) {
  const std::string written = row.section + "." + row.name + " = " + row.value;
  if (overTcp_ && MovesEndpoint(row)) {
    return "the receiver now answers elsewhere: " + written +
           " was accepted and it is no longer reachable at " + target_.spec.text +
           "; nothing was saved, so it goes back to its saved settings when restarted";
  }
  return "the receiver stopped answering after " + written + ": " + Diagnosis();
}

void PortJob::WriteLast(std::size_t k, Step then) {
  cutting_ = nullptr;
  if (k == plan_.last.size()) return then();
  const std::size_t index = plan_.last[k];
  const transfer::ProfileSetting& row = rows_[index];
  cutting_ = &row;
  reconnects_ = 0;
  transfer::TransferPolicy alone = Policy();
  alone.inFlight = 1;
  std::vector<transfer::TransferItem> items{
      {{row.section, row.name}, [value = row.value] { return value; }}};
  Transfer(
      Direction::Write, std::move(items), alone,
      [this, k, index, then](Results results) {
        TakeWrites({index}, results);
        // A refused setting changed nothing on the receiver's side.
        if (results.front().outcome == Answer::Refused) return WriteLast(k + 1, then);
        const transfer::ProfileSetting& row = rows_[index];
        Confirm(row, [this, k, &row, then](bool answering) {
          if (!answering) return Fail(ExitCode::NoReceiver, LostAfter(row));
          WriteLast(k + 1, then);
        });
      },
      [this, index](std::size_t, const transfer::ItemResult& result) {
        rowWrites_[index] = result;
      });
}

void PortJob::ReadBack() {
  const std::vector<SettingName> written = WrittenSettings(rows_, plan_);
  std::map<SettingName, std::size_t> at;
  for (std::size_t i = 0; i < written.size(); ++i) at.emplace(written[i], i);
  Read(written, Policy(), [this, at](Results results) {
    NoteSlowAnswers(results);
    for (SettingEntry& entry : report_.settings) {
      const SettingName name{entry.section, entry.name};
      const auto found = at.find(name);
      if (found == at.end()) {
        report_.exit = std::max(report_.exit, CodeOf(entry.outcome));
        continue;
      }
      const transfer::ItemResult write = WriteOf(name);
      const transfer::ItemResult& read = results[found->second];
      if (write.outcome == Answer::Accepted || write.outcome == Answer::Refused) {
        entry.status = write.status;
      }
      if (read.outcome == Answer::ValueRead) entry.after = read.value;
      if (write.outcome != Answer::Accepted) {
        entry.outcome = CodeOf(write.outcome) == ExitCode::Refused ? ctl::Outcome::Refused
                                                                   : ctl::Outcome::Unanswered;
      } else if (!entry.after) {
        entry.outcome = ctl::Outcome::Unanswered;
      } else {
        entry.outcome =
            entry.after == entry.wanted ? ctl::Outcome::Written : ctl::Outcome::Mismatch;
      }
      report_.exit = std::max(report_.exit, CodeOf(entry.outcome));
    }
    Save();
  });
}

// A run cut short: a setting never read is unanswered, and once writing began each setting
// shows what its writes got so far, unverified and unsaved: written where every row of it was
// accepted.
void PortJob::SettleUnfinished() {
  for (SettingEntry& entry : report_.settings) {
    if (entry.outcome == ctl::Outcome::Read && !entry.before)
      entry.outcome = ctl::Outcome::Unanswered;
  }
  if (options_.dryRun || (options_.command != Command::Apply && options_.command != Command::Set))
    return;
  for (SettingEntry& entry : report_.settings) {
    if (entry.outcome != ctl::Outcome::Differs) continue;
    const transfer::ItemResult write = WriteOf({entry.section, entry.name});
    entry.outcome = write.outcome == Answer::Accepted  ? ctl::Outcome::Written
                    : write.outcome == Answer::Refused ? ctl::Outcome::Refused
                                                       : ctl::Outcome::Unanswered;
    if (write.outcome == Answer::Accepted || write.outcome == Answer::Refused)
      entry.status = write.status;
  }
}

// The receiver does not answer a save: it is sent, given time to leave the line, and reported.
void PortJob::Save() {
  const bool anyAccepted = std::any_of(rowWrites_.begin(), rowWrites_.end(),
                                       [](const auto& w) { return w.outcome == Answer::Accepted; });
  if (!anyAccepted || options_.noSave) return Finish();
  link::SendSettingsSave(core_->port());
  report_.saved = true;
  saveSent_ = true;
  QTimer::singleShot(100ms, this, [this] { Finish(); });
}

}  // namespace orvane::ctl
