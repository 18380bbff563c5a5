// SPDX-License-Identifier: Apache-2.0
// The way back: every setting the run may have changed is written back to its snapshot value,
// the settings that can cut the link last and in reverse, each confirmed as the forward pass
// confirms it, then all of them are read back. Nothing is saved, so whatever could not be put
// back is still only in the receiver's working memory.

#include <QTimer>
#include <csignal>

#include "PortJob.h"

namespace orvane::ctl {

using namespace std::chrono_literals;
using transfer::Direction;
using Answer = transfer::Outcome;

namespace {

// An interrupted run is given this long to put things back before it gives up on them.
constexpr auto kRestoreLimit = 5s;
// A receiver lost mid-apply is looked for this long, a new open every kRegainEvery.
constexpr auto kRegainLimit = 5s;
constexpr auto kRegainEvery = 250ms;
// Answers to requests already on the line when an interrupt stops the writes.
constexpr auto kInFlightGrace = 300ms;

std::string SignalName(int signal) {
  return signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : std::to_string(signal);
}

}  // namespace

void PortJob::Interrupt(int signal) {
  if (finished_ || interrupted_ != 0) return;
  interrupted_ = signal;
  const std::string why = "interrupted by " + SignalName(signal);
  report_.diagnosis = why;
  const bool written =
      phase_ == Phase::Writing || phase_ == Phase::Confirming || phase_ == Phase::ReadingBack;
  if (!written && phase_ != Phase::Restoring) return Fail(report_.exit, why);
  QTimer::singleShot(kRestoreLimit, this, [this, why] {
    Fail(report_.exit, why + ": the settings were not all put back within 5 s");
  });
  // The writes stop here; the step under way otherwise goes back once it ends.
  if (phase_ != Phase::Writing || transfer_ == nullptr) return;
  transfer_->Stop();
  ++epoch_;
  QTimer::singleShot(kInFlightGrace, this, [this] {
    if (!finished_) GoBackIfInterrupted();
  });
}

bool PortJob::GoBackIfInterrupted() {
  if (interrupted_ == 0) return false;
  Rollback();
  return true;
}

void PortJob::Rollback(std::set<SettingName> keep) {
  if (!readBack_) SettleUnfinished();
  const bool partial = !keep.empty();
  mustRestore_ = !partial;
  phase_ = Phase::Restoring;
  cutting_ = nullptr;
  ++epoch_;
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
  Transfer(Direction::Write, std::move(items), Policy(), [this, steps, last, partial](Results) {
    RestoreLast(last, 0, [this, steps, partial] { ReadRestored(steps, partial); });
  });
}

void PortJob::RestoreLast(std::vector<RestoreStep> steps, std::size_t k, Step then) {
  cutting_ = nullptr;
  if (k == steps.size()) return then();
  restoring_ = {steps[k].name.first, steps[k].name.second, steps[k].value, 0};
  cutting_ = &restoring_;
  reconnects_ = 0;
  transfer::TransferPolicy alone = Policy();
  alone.inFlight = 1;
  std::vector<transfer::TransferItem> items{
      {{restoring_.section, restoring_.name}, [value = restoring_.value] { return value; }}};
  Transfer(Direction::Write, std::move(items), alone,
           [this, steps = std::move(steps), k, then](Results results) {
             if (results.front().outcome == Answer::Refused) return RestoreLast(steps, k + 1, then);
             Confirm(restoring_, [this, steps, k, then](bool answering) {
               if (!answering) return Fail(ExitCode::NoReceiver, LostAfter(restoring_));
               RestoreLast(steps, k + 1, then);
             });
           });
}

void PortJob::ReadRestored(const std::vector<RestoreStep>& steps, bool thenSave) {
  cutting_ = nullptr;
  std::vector<SettingName> names;
  for (const RestoreStep& step : steps) names.push_back(step.name);
  Read(names, Policy(), [this, steps, thenSave](Results results) {
    for (std::size_t i = 0; i < steps.size(); ++i) {
      for (SettingEntry& entry : report_.settings) {
        if (entry.section != steps[i].name.first || entry.name != steps[i].name.second) continue;
        entry.restored =
            results[i].outcome == Answer::ValueRead && results[i].value == steps[i].value;
      }
    }
    if (thenSave && interrupted_ == 0) return Save();
    Finish();
  });
}

// The port went while settings may have changed: it is opened again (a terminal plugged back
// in, a TCP server that dropped the client), the receiver found, and everything put back.
void PortJob::LostMidApply(const std::string& why) {
  lost_ = why;
  mustRestore_ = true;
  report_.exit = std::max(report_.exit, ExitCode::NoReceiver);
  report_.diagnosis = why;
  if (!readBack_) SettleUnfinished();
  readBack_ = true;  // what the writes got so far stays as it is
  phase_ = Phase::Restoring;
  ++epoch_;
  const auto until = std::chrono::steady_clock::now() + kRegainLimit;
  QTimer::singleShot(0, this, [this, until] {
    if (!finished_) Regain(until);
  });
}

void PortJob::Regain(std::chrono::steady_clock::time_point until) {
  const auto found = [this] {
    FindSpeed([this] {
      report_.diagnosis = lost_ + "; found again";
      Rollback();
    });
  };
  if (overTcp_) {
    Reconnect();
    return found();
  }
  reconnecting_ = true;
  core_->port().Close();
  finder_->SetSpeed(
      options_.baud.value_or(finder_->speed().value_or(session::SpeedFinder::kSpeeds.front())));
  const bool open = core_->port().Open();
  Later([this] { reconnecting_ = false; });
  if (open) {
    finder_->LineOpened();
    return found();
  }
  if (std::chrono::steady_clock::now() >= until) {
    return Fail(ExitCode::NoReceiver, lost_ + "; it did not come back");
  }
  QTimer::singleShot(kRegainEvery, this, [this, until] {
    if (!finished_) Regain(until);
  });
}

// Whatever the run may have changed and did not put back is left changed, and says so.
void PortJob::SettleRestored() {
  if (!mustRestore_) return;
  bool all = true;
  for (SettingEntry& entry : report_.settings) {
    if (!apply_.MayHaveChanged({entry.section, entry.name})) continue;
    if (!entry.restored) entry.restored = false;
    all = all && *entry.restored;
  }
  report_.rolledBack = all;
}

}  // namespace orvane::ctl
