// SPDX-License-Identifier: Apache-2.0
// The way back: every setting the run may have changed is written back to its snapshot value,
// the settings that can cut the link last and in reverse, each confirmed as the forward pass
// confirms it, then all of them are read back. Nothing is saved, so whatever could not be put
// back is still only in the receiver's working memory.

#include "TransactionRun.h"

namespace orvane::ctl {

using namespace std::chrono_literals;
using transfer::Direction;
using Answer = transfer::Outcome;
using AfterCut = Connection::AfterCut;

namespace {

// An interrupted run is given this long to put things back before it gives up on them.
constexpr auto kRestoreLimit = 5s;
// A receiver lost mid-apply is looked for about 5 s: a new open every kRegainEvery.
constexpr auto kRegainEvery = 250ms;
constexpr int kRegainAttempts = 20;
// Losses a run looks past: the one that started the way back, and one after each setting that
// can cut the link as it is put back.
constexpr int kRegains = 4;
// Answers to requests already on the line when an interrupt stops the writes.
constexpr auto kInFlightGrace = 300ms;

}  // namespace

void TransactionRun::Interrupt(const std::string& why) {
  if (interrupted_) return;
  interrupted_ = true;
  const bool written =
      phase_ == Phase::Writing || phase_ == Phase::Confirming || phase_ == Phase::ReadingBack;
  if (!written && phase_ != Phase::Restoring) return Fail(ctx_.report.exit, why);
  ctx_.link.After(kRestoreLimit, [this, why] {
    Fail(ctx_.report.exit, why + ": the settings were not all put back within 5 s");
  });
  // The writes stop here; the step under way otherwise goes back once it ends.
  if (phase_ != Phase::Writing) return;
  ctx_.link.StopTransfer();
  ctx_.link.Overtake();
  ctx_.link.After(kInFlightGrace, [this] { GoBackIfInterrupted(); });
}

void TransactionRun::Lost(const Connection::Loss& loss) {
  if (saveSent_) {
    // Everything was written, verified and the save sent: the loss changes none of it.
    ctx_.report.diagnosis = "port lost after the save was sent: " + loss.reason;
    return ctx_.finish();
  }
  if (loss.cut || !Transactional() || !HasWritten() || regains_ >= kRegains) {
    return CommandRun::Lost(loss);
  }
  // Settings may have changed: the receiver is looked for again, to put them back.
  if (phase_ != Phase::Restoring) return LostMidApply(loss.words);
  // A setting that cuts the link, just put back, took the line with it, as it did going forward:
  // the receiver is looked for again and the way back goes on.
  if (restoreNext_) {
    ++regains_;
    Step next = std::move(restoreNext_);
    restoreNext_ = nullptr;
    ctx_.link.Overtake();
    return ctx_.link.Later([this, next] { Regain(kRegainAttempts, next); });
  }
  CommandRun::Lost(loss);
}

bool TransactionRun::GoBackIfInterrupted() {
  if (!interrupted_) return false;
  Rollback();
  return true;
}

void TransactionRun::Rollback(std::set<SettingName> keep) {
  TakeWritesSoFar();
  if (!readBack_) SettleUnfinished();
  const bool partial = !keep.empty();
  mustRestore_ = !partial;
  phase_ = Phase::Restoring;
  ctx_.link.ForgetCut();
  ctx_.link.Overtake();
  const std::vector<RestoreStep> steps = apply_.RestorePlan(keep);
  std::vector<transfer::TransferItem> items;
  std::vector<RestoreStep> last;
  for (const RestoreStep& step : steps) {
    if (step.cutsLink) {
      last.push_back(step);
    } else {
      items.push_back(
          {{step.name.first, step.name.second}, [value = step.value] { return value; }});
    }
  }
  ctx_.link.Transfer(Direction::Write, std::move(items), ctx_.link.Policy(),
                     [this, steps, last, partial](Results) {
                       RestoreLast(last, 0,
                                   [this, steps, partial] { ReadRestored(steps, partial); });
                     });
}

void TransactionRun::RestoreLast(std::vector<RestoreStep> steps, std::size_t k, Step then) {
  ctx_.link.ForgetCut();
  restoreNext_ = nullptr;
  if (k == steps.size()) return then();
  // Lost once this one is written: found again, the way back goes on with the next.
  restoreNext_ = [this, steps, k, then] { RestoreLast(steps, k + 1, then); };
  restoring_ = {steps[k].name.first, steps[k].name.second, steps[k].value, 0};
  ctx_.link.ExpectCut(restoring_);
  ctx_.link.WriteAlone(restoring_, [this, steps = std::move(steps), k, then](Results results) {
    if (results.front().outcome == Answer::Refused) return RestoreLast(steps, k + 1, then);
    ctx_.link.Confirm(restoring_, [this, steps, k, then](AfterCut after) {
      if (after == AfterCut::NotFound) return Fail(ExitCode::NoReceiver, ctx_.link.Diagnosis());
      if (after == AfterCut::Silent) {
        return Fail(ExitCode::NoReceiver, ctx_.link.LostAfter(restoring_));
      }
      RestoreLast(steps, k + 1, then);
    });
  });
}

void TransactionRun::ReadRestored(const std::vector<RestoreStep>& steps, bool thenSave) {
  ctx_.link.ForgetCut();
  std::vector<SettingName> names;
  for (const RestoreStep& step : steps) names.push_back(step.name);
  ctx_.link.Read(names, [this, steps, thenSave](Results results) {
    for (std::size_t i = 0; i < steps.size(); ++i) {
      for (SettingEntry& entry : ctx_.report.settings) {
        if (entry.section != steps[i].name.first || entry.name != steps[i].name.second) continue;
        entry.restored =
            results[i].outcome == Answer::ValueRead && results[i].value == steps[i].value;
      }
    }
    if (thenSave && !interrupted_) return Save();
    ctx_.finish();
  });
}

// The port went while settings may have changed: it is opened again (a terminal plugged back
// in, a TCP server that dropped the client), the receiver found, and everything put back.
void TransactionRun::LostMidApply(const std::string& why) {
  lost_ = why;
  ++regains_;
  TakeWritesSoFar();
  mustRestore_ = true;
  ctx_.report.exit = std::max(ctx_.report.exit, ExitCode::NoReceiver);
  ctx_.report.diagnosis = why;
  if (!readBack_) SettleUnfinished();
  readBack_ = true;  // what the writes got so far stays as it is
  phase_ = Phase::Restoring;
  ctx_.link.Overtake();
  ctx_.link.Later([this] { Regain(kRegainAttempts, [this] { Rollback(); }); });
}

void TransactionRun::Regain(int attemptsLeft, Step found) {
  if (ctx_.link.Reopen()) {
    return ctx_.link.FindSpeed([this, found](bool heard) {
      if (!heard) return Fail(ExitCode::NoReceiver, ctx_.link.Diagnosis());
      ctx_.report.diagnosis = lost_ + "; found again";
      found();
    });
  }
  if (attemptsLeft <= 1) return Fail(ExitCode::NoReceiver, lost_ + "; it did not come back");
  ctx_.link.After(kRegainEvery, [this, attemptsLeft, found] { Regain(attemptsLeft - 1, found); });
}

// Whatever the run may have changed and did not put back is left changed, and says so.
void TransactionRun::Settle() {
  if (!mustRestore_) return;
  bool all = true;
  for (SettingEntry& entry : ctx_.report.settings) {
    if (!apply_.MayHaveChanged({entry.section, entry.name})) continue;
    if (!entry.restored) entry.restored = false;
    all = all && *entry.restored;
  }
  ctx_.report.rolledBack = all;
}

}  // namespace orvane::ctl
