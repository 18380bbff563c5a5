// SPDX-License-Identifier: Apache-2.0
// What each receiver command does once the port is open and the receiver's speed is known.

#include <QTimer>
#include <algorithm>

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
         if (watched_.frames() == 0) return Fail(ExitCode::NoReceiver, watched_.Diagnosis());
         listen();
       });
}

void PortJob::ReadEntries(std::vector<SettingName> names) {
  report_.settings = EntriesNamed(names);
  Read(names, Policy(), [this](Results results) {
    if (NothingHeard(results)) return Fail(ExitCode::NoReceiver, watched_.Diagnosis());
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
    if (NothingHeard(results)) return Fail(ExitCode::NoReceiver, watched_.Diagnosis());
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
  // Read, written, read back.
  progressExpected_ = progressTotal_ + report_.settings.size() * 2 + rows_.size();
  Read(Names(report_.settings), Policy(), [this](Results results) {
    if (NothingHeard(results)) return Fail(ExitCode::NoReceiver, watched_.Diagnosis());
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
  const std::vector<SettingName> written = WrittenSettings(rows_, plan_);
  for (SettingEntry& entry : report_.settings) {
    const bool writes =
        std::count(written.begin(), written.end(), SettingName{entry.section, entry.name}) != 0;
    if (writes) {
      entry.outcome = ctl::Outcome::Differs;
    } else {
      entry.outcome = entry.before ? ctl::Outcome::Unchanged : ctl::Outcome::Unanswered;
    }
    if (options_.dryRun) report_.exit = std::max(report_.exit, CodeOf(entry.outcome));
  }
  if (options_.dryRun || plan_.Empty()) return Finish();
  std::vector<transfer::TransferItem> items;
  for (const std::size_t i : plan_.together) {
    const auto& row = rows_[i];
    const bool repeated = std::count_if(rows_.begin(), rows_.end(), [&row](const auto& other) {
                            return other.section == row.section && other.name == row.name;
                          }) > 1;
    items.push_back(
        {{row.section, row.name}, [value = row.value] { return value; }, false, repeated});
  }
  Transfer(Direction::Write, std::move(items), Policy(), [this](Results results) {
    TakeWrites(plan_.together, results);
    WriteLast(0, [this] { ReadBack(); });
  });
}

// The worst answer of a setting's rows: a refusal, else a row left unanswered, else accepted.
void PortJob::TakeWrites(const std::vector<std::size_t>& rows, const Results& results) {
  const auto rank = [](Answer outcome) {
    return outcome == Answer::Refused ? 2 : outcome == Answer::Accepted ? 0 : 1;
  };
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const SettingName name{rows_[rows[k]].section, rows_[rows[k]].name};
    const auto known = writes_.find(name);
    if (known == writes_.end() || rank(results[k].outcome) > rank(known->second.outcome)) {
      writes_[name] = results[k];
    }
  }
}

void PortJob::WriteLast(std::size_t k, Step then) {
  if (k == plan_.last.size()) return then();
  const transfer::ProfileSetting row = rows_[plan_.last[k]];
  transfer::TransferPolicy alone = Policy();
  alone.inFlight = 1;
  std::vector<transfer::TransferItem> items{
      {{row.section, row.name}, [value = row.value] { return value; }}};
  Transfer(Direction::Write, std::move(items), alone, [this, k, row, then](Results results) {
    TakeWrites({plan_.last[k]}, results);
    // A refused setting changed nothing on the receiver's side.
    if (results.front().outcome == Answer::Refused) return WriteLast(k + 1, then);
    Confirm(row, [this, k, row, then](bool answering) {
      if (!answering) {
        return Fail(ExitCode::NoReceiver, "the receiver stopped answering after " + row.section +
                                              "." + row.name + " = " + row.value + ": " +
                                              watched_.Diagnosis());
      }
      WriteLast(k + 1, then);
    });
  });
}

void PortJob::ReadBack() {
  const std::vector<SettingName> written = WrittenSettings(rows_, plan_);
  Read(written, Policy(), [this, written](Results results) {
    for (SettingEntry& entry : report_.settings) {
      const SettingName name{entry.section, entry.name};
      const auto at = std::find(written.begin(), written.end(), name);
      if (at == written.end()) {
        report_.exit = std::max(report_.exit, CodeOf(entry.outcome));
        continue;
      }
      const transfer::ItemResult& write = writes_[name];
      const transfer::ItemResult& read = results[static_cast<std::size_t>(at - written.begin())];
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
// shows what its write got, unverified.
void PortJob::SettleUnfinished() {
  for (SettingEntry& entry : report_.settings) {
    if (entry.outcome == ctl::Outcome::Read && !entry.before)
      entry.outcome = ctl::Outcome::Unanswered;
  }
  if (options_.dryRun || (options_.command != Command::Apply && options_.command != Command::Set))
    return;
  for (SettingEntry& entry : report_.settings) {
    if (entry.outcome != ctl::Outcome::Differs) continue;
    const auto write = writes_.find({entry.section, entry.name});
    const Answer answer = write == writes_.end() ? Answer::NotSent : write->second.outcome;
    entry.outcome = answer == Answer::Accepted  ? ctl::Outcome::Written
                    : answer == Answer::Refused ? ctl::Outcome::Refused
                                                : ctl::Outcome::Unanswered;
    if (answer == Answer::Accepted || answer == Answer::Refused)
      entry.status = write->second.status;
  }
}

// The receiver does not answer a save: it is sent, given time to leave the line, and reported.
void PortJob::Save() {
  const bool anyAccepted = std::any_of(writes_.begin(), writes_.end(), [](const auto& write) {
    return write.second.outcome == Answer::Accepted;
  });
  if (!anyAccepted || options_.noSave) return Finish();
  link::SendSettingsSave(watched_);
  report_.saved = true;
  QTimer::singleShot(100ms, this, [this] { Finish(); });
}

}  // namespace orvane::ctl
