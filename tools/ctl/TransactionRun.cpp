// SPDX-License-Identifier: Apache-2.0
// The forward pass: the snapshot, the writes, the read back, and then the save, or the way back.

#include "TransactionRun.h"

#include <algorithm>
#include <map>

#include "Outcomes.h"

namespace orvane::ctl {

using namespace std::chrono_literals;
using transfer::Direction;
using Answer = transfer::Outcome;
using AfterCut = Connection::AfterCut;

namespace {

// The receiver does not answer a save: it is given this long to leave the line.
constexpr auto kSaveLeaves = 100ms;

SettingName NameOf(const SettingEntry& entry) {
  return {entry.section, entry.name};
}

}  // namespace

TransactionRun::TransactionRun(RunContext context, std::vector<transfer::ProfileSetting> rows,
                               bool all)
    : CommandRun(std::move(context)), apply_(std::move(rows), all, ctx_.link.overTcp()) {}

// All or nothing, unless --partial; a dry run writes nothing to undo.
bool TransactionRun::Transactional() const {
  return !ctx_.options.partial && !ctx_.options.dryRun;
}

void TransactionRun::NoteSlowAnswers(const Results& results) {
  if (ctx_.link.NoteSlowAnswers(results)) ctx_.report.diagnosis = ctx_.link.Diagnosis();
}

void TransactionRun::Start() {
  ctx_.report.settings = EntriesFor(apply_.rows());
  // Read, written, read back.
  ctx_.link.ExpectRequests(ctx_.report.settings.size() * 2 + apply_.rows().size());
  std::vector<SettingName> names;
  for (const auto& entry : ctx_.report.settings) names.push_back(NameOf(entry));
  phase_ = Phase::Snapshot;
  ctx_.link.Read(names, [this](Results results) { TakeSnapshot(results); });
}

void TransactionRun::TakeSnapshot(const Results& results) {
  if (ctx_.link.NothingHeard(results)) return Fail(ExitCode::NoReceiver, ctx_.link.Diagnosis());
  NoteSlowAnswers(results);
  ReadValues before;
  std::string unread;
  for (std::size_t i = 0; i < results.size(); ++i) {
    SettingEntry& entry = ctx_.report.settings[i];
    if (results[i].outcome != Answer::ValueRead) {
      unread.append(unread.empty() ? "" : ", ").append(entry.section + "." + entry.name);
      continue;
    }
    entry.before = results[i].value;
    before[NameOf(entry)] = results[i].value;
  }
  if (interrupted_) return Fail(ctx_.report.exit, "interrupted before anything was written");
  // A setting whose value is not known could not be put back: nothing is written.
  if (Transactional() && !unread.empty()) {
    return Fail(ExitCode::Unanswered,
                "nothing written: " + unread + " could not be read, so it could not be put back");
  }
  apply_.Plan(std::move(before));
  WritePlanned();
}

void TransactionRun::WritePlanned() {
  const ApplyPlan& plan = apply_.plan();
  const std::vector<SettingName> writtenList = apply_.Written();
  const std::set<SettingName> written(writtenList.begin(), writtenList.end());
  for (SettingEntry& entry : ctx_.report.settings) {
    if (written.contains(NameOf(entry))) {
      entry.outcome = ctl::Outcome::Differs;
    } else {
      entry.outcome = entry.before ? ctl::Outcome::Unchanged : ctl::Outcome::Unanswered;
    }
    if (ctx_.options.dryRun) ctx_.report.exit = std::max(ctx_.report.exit, CodeOf(entry.outcome));
  }
  if (ctx_.options.dryRun || plan.Empty()) return ctx_.finish();
  std::vector<transfer::TransferItem> items;
  items.reserve(plan.together.size());
  for (const std::size_t i : plan.together) {
    const auto& row = apply_.rows()[i];
    items.push_back({{row.section, row.name},
                     [value = row.value] { return value; },
                     false,
                     apply_.Repeated({row.section, row.name})});
  }
  phase_ = Phase::Writing;
  writing_ = plan.together;
  ctx_.link.Transfer(
      Direction::Write, std::move(items), ctx_.link.Policy(),
      [this](Results results) {
        writing_.clear();
        TakeWrites(apply_.plan().together, results);
        NoteSlowAnswers(results);
        if (GoBackIfInterrupted()) return;
        // One failure dooms the whole: the settings that cut the link are not worth moving.
        const bool failed = std::any_of(results.begin(), results.end(), [](const auto& r) {
          return r.outcome != Answer::Accepted;
        });
        if (Transactional() && failed) return ReadBack();
        WriteLast(0, [this] { ReadBack(); });
      },
      [this](std::size_t item, const transfer::ItemResult& result) {
        apply_.TakeWrite(apply_.plan().together[item], result);
      });
}

void TransactionRun::TakeWrites(const std::vector<std::size_t>& rows, const Results& results) {
  for (std::size_t k = 0; k < rows.size(); ++k) apply_.TakeWrite(rows[k], results[k]);
}

void TransactionRun::TakeWritesSoFar() {
  const Results results = ctx_.link.SoFar();
  if (results.size() == writing_.size()) TakeWrites(writing_, results);
  writing_.clear();
}

void TransactionRun::WriteLast(std::size_t k, Step then) {
  ctx_.link.ForgetCut();
  if (k == apply_.plan().last.size()) return then();
  const std::size_t index = apply_.plan().last[k];
  const transfer::ProfileSetting& row = apply_.rows()[index];
  ctx_.link.ExpectCut(row);
  phase_ = Phase::Writing;
  writing_ = {index};
  ctx_.link.WriteAlone(
      row,
      [this, k, index, &row, then](Results results) {
        writing_.clear();
        TakeWrites({index}, results);
        const Answer answer = results.front().outcome;
        // A refused setting changed nothing on the receiver's side.
        if (answer == Answer::Refused) {
          if (GoBackIfInterrupted()) return;
          return Transactional() ? ReadBack() : WriteLast(k + 1, then);
        }
        phase_ = Phase::Confirming;
        ctx_.link.Confirm(row, [this, k, &row, answer, then](AfterCut after) {
          if (after == AfterCut::NotFound) return Fail(ExitCode::NoReceiver, ctx_.link.Diagnosis());
          if (after == AfterCut::Silent)
            return Fail(ExitCode::NoReceiver, ctx_.link.LostAfter(row));
          if (GoBackIfInterrupted()) return;
          if (answer != Answer::Accepted && Transactional()) return ReadBack();
          WriteLast(k + 1, then);
        });
      },
      [this, index](std::size_t, const transfer::ItemResult& result) {
        apply_.TakeWrite(index, result);
      });
}

void TransactionRun::ReadBack() {
  ctx_.link.ForgetCut();
  const std::vector<SettingName> written = apply_.Written();
  phase_ = Phase::ReadingBack;
  ctx_.link.Read(written, [this, written](Results results) {
    TakeReadBack(results, written);
    readBack_ = true;
    if (GoBackIfInterrupted()) return;
    bool allVerified = true;
    std::set<SettingName> verified;
    bool failed = false;
    for (const SettingEntry& entry : ctx_.report.settings) {
      const bool wasWritten =
          std::find(written.begin(), written.end(), NameOf(entry)) != written.end();
      const bool ok = entry.outcome == ctl::Outcome::Written;
      if (wasWritten) allVerified = allVerified && ok;
      if (ok) verified.insert(NameOf(entry));
      failed = failed || (apply_.MayHaveChanged(NameOf(entry)) && !ok);
    }
    if (Transactional() && !allVerified) {
      mustRestore_ = true;
      return Rollback();
    }
    // --partial: what failed goes back first, so that the save keeps only what was verified.
    if (failed && !verified.empty()) return Rollback(std::move(verified));
    Save();
  });
}

void TransactionRun::TakeReadBack(const Results& results, const std::vector<SettingName>& written) {
  NoteSlowAnswers(results);
  std::map<SettingName, std::size_t> at;
  for (std::size_t i = 0; i < written.size(); ++i) at.emplace(written[i], i);
  for (SettingEntry& entry : ctx_.report.settings) {
    const auto found = at.find(NameOf(entry));
    const transfer::ItemResult write = apply_.WriteOf(NameOf(entry));
    // Left out once the run was doomed, a setting still differs: nothing was sent for it.
    if (found != at.end() && write.outcome == Answer::NotSent) continue;
    if (found != at.end()) {
      const transfer::ItemResult& read = results[found->second];
      if (write.outcome == Answer::Accepted || write.outcome == Answer::Refused) {
        entry.status = write.status;
      }
      if (read.outcome == Answer::ValueRead) entry.after = read.value;
      entry.outcome = WrittenOutcome(write, entry.after, entry.wanted);
    }
    ctx_.report.exit = std::max(ctx_.report.exit, CodeOf(entry.outcome));
  }
}

// A run cut short: once writing began each setting shows what its writes got so far,
// unverified and unsaved: written where every row of it was accepted.
void TransactionRun::SettleUnfinished() {
  CommandRun::CutShort();
  if (ctx_.options.dryRun) return;
  for (SettingEntry& entry : ctx_.report.settings) {
    if (entry.outcome != ctl::Outcome::Differs) continue;
    const transfer::ItemResult write = apply_.WriteOf(NameOf(entry));
    if (readBack_ && write.outcome == Answer::NotSent) continue;
    entry.outcome = CutShortOutcome(write.outcome);
    if (write.outcome == Answer::Accepted || write.outcome == Answer::Refused)
      entry.status = write.status;
  }
}

void TransactionRun::CutShort() {
  TakeWritesSoFar();
  SettleUnfinished();
  // A run cut short after writing began leaves what it wrote, unless it was put back.
  if (Transactional() && HasWritten()) mustRestore_ = true;
}

// The receiver does not answer a save: it is sent, given time to leave the line, and reported.
// With --partial, only settings that read back as written make a save worth sending.
void TransactionRun::Save() {
  const bool verified =
      std::any_of(ctx_.report.settings.begin(), ctx_.report.settings.end(),
                  [](const SettingEntry& entry) { return entry.outcome == ctl::Outcome::Written; });
  if (!verified || ctx_.options.noSave || interrupted_) return ctx_.finish();
  ctx_.link.SendSave();
  ctx_.report.saved = true;
  saveSent_ = true;
  ctx_.link.After(kSaveLeaves, ctx_.finish);
}

}  // namespace orvane::ctl
