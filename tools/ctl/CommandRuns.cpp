// SPDX-License-Identifier: Apache-2.0
// The commands that only read: detect (and ports --probe), get, dump and diff; and which run
// each command gets.

#include <algorithm>

#include "CommandRun.h"
#include "Outcomes.h"
#include "TransactionRun.h"
#include "transfer/BaseStation.h"

namespace orvane::ctl {

using Answer = transfer::Outcome;
using Results = Connection::Results;

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

void AddOnce(std::vector<SettingName>& names, SettingName name) {
  if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(std::move(name));
}

// Every setting the window reads or writes, each once, in the order the window first uses it.
std::vector<SettingName> WindowSettings() {
  std::vector<SettingName> names;
  for (const auto& field : transfer::BaseStationFields())
    AddOnce(names, {field.key.section, field.key.name});
  for (const auto& row : transfer::BaseStationProfile())
    AddOnce(names, {row.key.section, row.key.name});
  return names;
}

// A receiver found by its speed, a read answered or any frame; then a heartbeat is listened for,
// one period at the speed found. The speed search has usually heard the receiver already; only a
// speed given on the command line, or TCP, needs a read first.
class DetectRun final : public CommandRun {
 public:
  using CommandRun::CommandRun;

  void Start() override {
    if (ctx_.link.Heard()) return Listen();
    ctx_.link.Read({{session::SpeedFinder::kProbeSection, session::SpeedFinder::kProbeName}},
                   [this](Results) {
                     if (!ctx_.link.Heard()) {
                       return ctx_.fail(ExitCode::NoReceiver, ctx_.link.Diagnosis());
                     }
                     Listen();
                   });
  }

 private:
  void Listen() {
    ctx_.link.ListenForHeartbeat([this] {
      ctx_.report.diagnosis = ctx_.link.Diagnosis();
      ctx_.finish();
    });
  }
};

// get, dump and diff: one read of the settings named, each entry as it was answered and, for
// diff, against the value wanted of it.
class ReadRun final : public CommandRun {
 public:
  ReadRun(RunContext context, std::vector<SettingEntry> entries)
      : CommandRun(std::move(context)), entries_(std::move(entries)) {}

  void Start() override {
    ctx_.report.settings = std::move(entries_);
    ctx_.link.Read(Names(ctx_.report.settings), [this](Results results) {
      if (ctx_.link.NothingHeard(results)) {
        return ctx_.fail(ExitCode::NoReceiver, ctx_.link.Diagnosis());
      }
      if (ctx_.link.NoteSlowAnswers(results)) ctx_.report.diagnosis = ctx_.link.Diagnosis();
      for (std::size_t i = 0; i < results.size(); ++i) Take(ctx_.report.settings[i], results[i]);
      ctx_.finish();
    });
  }

 private:
  void Take(SettingEntry& entry, const transfer::ItemResult& read) {
    if (read.outcome == Answer::ValueRead) entry.before = read.value;
    entry.outcome = ReadOutcome(read, entry.wanted);
    ctx_.report.exit = std::max(ctx_.report.exit, CodeOf(entry.outcome));
  }

  std::vector<SettingEntry> entries_;  // the report's, once the run starts
};

std::vector<SettingName> KeysNamed(const std::vector<Key>& keys) {
  std::vector<SettingName> names;
  for (const Key& key : keys) AddOnce(names, {key.section, key.name});
  return names;
}

}  // namespace

void CommandRun::Lost(const Connection::Loss& loss) {
  ctx_.fail(ExitCode::NoReceiver, loss.cut ? ctx_.link.LostAfter(*loss.cut) : loss.words);
}

void CommandRun::CutShort() {
  for (SettingEntry& entry : ctx_.report.settings) {
    if (entry.outcome == ctl::Outcome::Read && !entry.before)
      entry.outcome = ctl::Outcome::Unanswered;
  }
}

std::unique_ptr<CommandRun> MakeRun(RunContext context) {
  const Options& options = context.options;
  switch (options.command) {
    case Command::Ports:
    case Command::Detect:
      return std::make_unique<DetectRun>(std::move(context));
    case Command::Get:
      return std::make_unique<ReadRun>(std::move(context), EntriesNamed(KeysNamed(options.keys)));
    case Command::Dump:
      return std::make_unique<ReadRun>(std::move(context), EntriesNamed(WindowSettings()));
    case Command::Diff:
      return std::make_unique<ReadRun>(std::move(context), EntriesFor(options.profile));
    case Command::Set: {
      std::vector<transfer::ProfileSetting> rows;
      for (const Key& key : options.keys) rows.push_back({key.section, key.name, key.value, 0});
      return std::make_unique<TransactionRun>(std::move(context), std::move(rows), true);
    }
    case Command::Apply:
      return std::make_unique<TransactionRun>(std::move(context), options.profile, options.all);
    case Command::BaseProfile:
    case Command::Journal:
      break;
  }
  return nullptr;
}

}  // namespace orvane::ctl
