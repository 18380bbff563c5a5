// SPDX-License-Identifier: Apache-2.0
// apply and set: the snapshot, the writes (the settings that can cut the link last, one at a
// time, each confirmed), the read back, and then the save, or the way back.

#include <QTimer>
#include <algorithm>
#include <set>

#include "Outcomes.h"
#include "PortJob.h"
#include "link/SettingsMessages.h"

namespace orvane::ctl {

using namespace std::chrono_literals;
using transfer::Direction;
using Answer = transfer::Outcome;

namespace {

// The address or the port of a receiver's TCP server: once written, it answers elsewhere.
bool MovesEndpoint(const transfer::ProfileSetting& row) {
  return (row.section == "ethernet" && row.name == "ip_address") ||
         (row.section.starts_with("tcp_server") && row.name == "port");
}

SettingName NameOf(const SettingEntry& entry) {
  return {entry.section, entry.name};
}

}  // namespace

// All or nothing, unless --partial; a dry run writes nothing to undo.
bool PortJob::Transactional() const {
  return (options_.command == Command::Apply || options_.command == Command::Set) &&
         !options_.partial && !options_.dryRun;
}

void PortJob::Apply(std::vector<transfer::ProfileSetting> rows, bool all) {
  apply_ = ApplyRun(std::move(rows), all, overTcp_);
  report_.settings = EntriesFor(apply_.rows());
  // Read, written, read back.
  progressExpected_ = progressTotal_ + report_.settings.size() * 2 + apply_.rows().size();
  std::vector<SettingName> names;
  for (const auto& entry : report_.settings) names.push_back(NameOf(entry));
  phase_ = Phase::Snapshot;
  Read(names, Policy(), [this](Results results) {
    if (NothingHeard(results)) return Fail(ExitCode::NoReceiver, Diagnosis());
    NoteSlowAnswers(results);
    ReadValues before;
    std::vector<std::string> unread;
    for (std::size_t i = 0; i < results.size(); ++i) {
      SettingEntry& entry = report_.settings[i];
      if (results[i].outcome != Answer::ValueRead) {
        unread.push_back(entry.section + "." + entry.name);
        continue;
      }
      entry.before = results[i].value;
      before[NameOf(entry)] = results[i].value;
    }
    if (interrupted_) return Fail(report_.exit, "interrupted before anything was written");
    // A setting whose value is not known could not be put back: nothing is written.
    if (Transactional() && !unread.empty()) {
      std::string names;
      for (const auto& name : unread) names += (names.empty() ? "" : ", ") + name;
      Fail(ExitCode::Unanswered,
           "nothing written: " + names + " could not be read, so it could not be put back");
      return;
    }
    ApplyPlanned(std::move(before));
  });
}

void PortJob::ApplyPlanned(ReadValues before) {
  apply_.Plan(std::move(before));
  const ApplyPlan& plan = apply_.plan();
  const std::vector<SettingName> writtenList = apply_.Written();
  const std::set<SettingName> written(writtenList.begin(), writtenList.end());
  for (SettingEntry& entry : report_.settings) {
    if (written.contains(NameOf(entry))) {
      entry.outcome = ctl::Outcome::Differs;
    } else {
      entry.outcome = entry.before ? ctl::Outcome::Unchanged : ctl::Outcome::Unanswered;
    }
    if (options_.dryRun) report_.exit = std::max(report_.exit, CodeOf(entry.outcome));
  }
  if (options_.dryRun || plan.Empty()) return Finish();
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
  Transfer(
      Direction::Write, std::move(items), Policy(),
      [this](Results results) {
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

void PortJob::TakeWrites(const std::vector<std::size_t>& rows, const Results& results) {
  for (std::size_t k = 0; k < rows.size(); ++k) apply_.TakeWrite(rows[k], results[k]);
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
  if (k == apply_.plan().last.size()) return then();
  const std::size_t index = apply_.plan().last[k];
  const transfer::ProfileSetting& row = apply_.rows()[index];
  cutting_ = &row;
  reconnects_ = 0;
  transfer::TransferPolicy alone = Policy();
  alone.inFlight = 1;
  std::vector<transfer::TransferItem> items{
      {{row.section, row.name}, [value = row.value] { return value; }}};
  phase_ = Phase::Writing;
  Transfer(
      Direction::Write, std::move(items), alone,
      [this, k, index, then](Results results) {
        TakeWrites({index}, results);
        const transfer::ProfileSetting& row = apply_.rows()[index];
        const Answer answer = results.front().outcome;
        // A refused setting changed nothing on the receiver's side.
        if (answer == Answer::Refused) {
          if (GoBackIfInterrupted()) return;
          return Transactional() ? ReadBack() : WriteLast(k + 1, then);
        }
        phase_ = Phase::Confirming;
        Confirm(row, [this, k, &row, answer, then](bool answering) {
          if (!answering) return Fail(ExitCode::NoReceiver, LostAfter(row));
          if (GoBackIfInterrupted()) return;
          if (answer != Answer::Accepted && Transactional()) return ReadBack();
          WriteLast(k + 1, then);
        });
      },
      [this, index](std::size_t, const transfer::ItemResult& result) {
        apply_.TakeWrite(index, result);
      });
}

void PortJob::ReadBack() {
  cutting_ = nullptr;
  const std::vector<SettingName> written = apply_.Written();
  std::map<SettingName, std::size_t> at;
  for (std::size_t i = 0; i < written.size(); ++i) at.emplace(written[i], i);
  phase_ = Phase::ReadingBack;
  Read(written, Policy(), [this, at](Results results) {
    NoteSlowAnswers(results);
    bool allVerified = true;
    for (SettingEntry& entry : report_.settings) {
      const auto found = at.find(NameOf(entry));
      if (found == at.end()) {
        report_.exit = std::max(report_.exit, CodeOf(entry.outcome));
        continue;
      }
      const transfer::ItemResult write = apply_.WriteOf(NameOf(entry));
      // Left out once the run was doomed: it still differs, and nothing was sent for it.
      if (write.outcome == Answer::NotSent) {
        allVerified = false;
        continue;
      }
      const transfer::ItemResult& read = results[found->second];
      if (write.outcome == Answer::Accepted || write.outcome == Answer::Refused) {
        entry.status = write.status;
      }
      if (read.outcome == Answer::ValueRead) entry.after = read.value;
      entry.outcome = WrittenOutcome(write, entry.after, entry.wanted);
      allVerified = allVerified && entry.outcome == ctl::Outcome::Written;
      report_.exit = std::max(report_.exit, CodeOf(entry.outcome));
    }
    readBack_ = true;
    if (GoBackIfInterrupted()) return;
    if (Transactional() && !allVerified) {
      mustRestore_ = true;
      return Rollback();
    }
    // --partial: what failed goes back first, so that the save keeps only what was verified.
    std::set<SettingName> verified;
    bool failed = false;
    for (const SettingEntry& entry : report_.settings) {
      if (entry.outcome == ctl::Outcome::Written) verified.insert(NameOf(entry));
      failed = failed ||
               (apply_.MayHaveChanged(NameOf(entry)) && entry.outcome != ctl::Outcome::Written);
    }
    if (failed && !verified.empty()) return Rollback(std::move(verified));
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
    const transfer::ItemResult write = apply_.WriteOf(NameOf(entry));
    if (readBack_ && write.outcome == Answer::NotSent) continue;
    entry.outcome = CutShortOutcome(write.outcome);
    if (write.outcome == Answer::Accepted || write.outcome == Answer::Refused)
      entry.status = write.status;
  }
}

// The receiver does not answer a save: it is sent, given time to leave the line, and reported.
// With --partial, only settings that read back as written make a save worth sending.
void PortJob::Save() {
  const bool verified =
      std::any_of(report_.settings.begin(), report_.settings.end(),
                  [](const SettingEntry& entry) { return entry.outcome == ctl::Outcome::Written; });
  if (!verified || options_.noSave || interrupted_) return Finish();
  link::SendSettingsSave(core_->port());
  report_.saved = true;
  saveSent_ = true;
  QTimer::singleShot(100ms, this, [this] { Finish(); });
}

}  // namespace orvane::ctl
