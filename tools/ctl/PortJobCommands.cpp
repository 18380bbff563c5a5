// SPDX-License-Identifier: Apache-2.0
// What each receiver command does once the port is open and the receiver's speed is known.

#include <algorithm>

#include "Outcomes.h"
#include "PortJob.h"
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

}  // namespace orvane::ctl
