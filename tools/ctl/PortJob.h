// SPDX-License-Identifier: Apache-2.0
#pragma once
// One command on one port, on the event loop: open the port, find the receiver's speed, run the
// command's transfers, and report. Every step goes on from the event loop, never from inside
// the transfer that just finished, so a transfer is never replaced while it runs; a step that
// was overtaken (a lost port, an interrupt) finds its epoch gone and does nothing.
//
// apply and set run as a transaction (ApplyRun): snapshot, write, read back, then either save
// or put every setting written back to its snapshot value and save nothing. --partial keeps
// what was verified instead.

#include <QObject>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "ApplyRun.h"
#include "BaseProfile.h"
#include "Engine.h"
#include "WatchedPort.h"
#include "platform/qt/QtCommPort.h"
#include "session/LinkCore.h"
#include "session/SpeedFinder.h"
#include "transfer/SettingsTransfer.h"

namespace orvane::ctl {

class PortJob final : public QObject {
 public:
  // Runs on target.device; done is called, from the event loop, once the job has finished.
  PortJob(const Options& options, const Target& target, std::function<void()> done);
  ~PortJob() override;

  void Start();
  bool Finished() const { return finished_; }
  const PortReport& report() const { return report_; }
  std::optional<std::uint16_t> sender() const { return watched_.sender(); }
  // Requests settled so far and requests planned so far, for a progress bar.
  std::size_t ProgressDone() const;
  std::size_t ProgressTotal() const { return std::max(progressTotal_, progressExpected_); }
  // SIGINT or SIGTERM: no new writes; what was written goes back, within kRestoreLimit.
  void Interrupt(int signal);

 private:
  using Results = std::vector<transfer::ItemResult>;
  using Then = std::function<void(Results)>;
  using Step = std::function<void()>;
  // An item's answer has come, while the transfer goes on.
  using Answered = std::function<void(std::size_t item, const transfer::ItemResult& result)>;
  // Where an apply stands: what an interrupt or a lost port has to undo.
  enum class Phase : std::uint8_t { Other, Snapshot, Writing, Confirming, ReadingBack, Restoring };

  // Connection (PortJob.cpp).
  bool Open();
  transfer::TransferPolicy BasePolicy() const;
  transfer::TransferPolicy Policy() const;
  void Transfer(transfer::Direction direction, std::vector<transfer::TransferItem> items,
                const transfer::TransferPolicy& policy, Then then, Answered answered = nullptr);
  void Read(const std::vector<SettingName>& names, const transfer::TransferPolicy& policy,
            Then then);
  void FindSpeed(Step then);
  void Confirm(const transfer::ProfileSetting& row, std::function<void(bool)> then);
  void Reconnect();
  void Later(Step step);
  void OnPortFailed(const QString& reason);
  // What the line showed, in words, with what the answers' timing adds to it.
  std::string Diagnosis() const;
  bool AnswersTooSlow(const Results& results) const;
  void NoteSlowAnswers(const Results& results);
  void Fail(ExitCode code, std::string diagnosis);
  void Finish();
  bool NothingHeard(const Results& results) const;

  // Commands (PortJobCommands.cpp).
  void RunCommand();
  void Detect();
  void ReadEntries(std::vector<SettingName> names);
  void Diff();

  // apply and set (PortJobApply.cpp).
  bool Transactional() const;
  void Apply(std::vector<transfer::ProfileSetting> rows, bool all);
  void ApplyPlanned(ReadValues before);
  void WriteLast(std::size_t k, Step then);
  void ReadBack();
  void Save();
  void TakeWrites(const std::vector<std::size_t>& rows, const Results& results);
  void SettleUnfinished();
  std::string LostAfter(const transfer::ProfileSetting& row);
  // The way back (PortJobRollback.cpp).
  bool GoBackIfInterrupted();
  // keep: the settings that stay as written (--partial), then the save follows.
  void Rollback(std::set<SettingName> keep = {});
  void RestoreLast(std::vector<RestoreStep> steps, std::size_t k, Step then);
  void ReadRestored(const std::vector<RestoreStep>& steps, bool thenSave);
  void LostMidApply(const std::string& why);
  void Regain(std::chrono::steady_clock::time_point until);
  void SettleRestored();

  const Options& options_;
  Target target_;
  std::function<void()> done_;
  bool overTcp_;
  platform::qt::QtCommPort port_;
  WatchedPort watched_;
  std::unique_ptr<session::LinkCore> core_;
  transfer::SettingsTransfer* transfer_ = nullptr;
  std::unique_ptr<session::SpeedFinder> finder_;
  std::chrono::steady_clock::time_point started_;
  std::size_t progressBefore_ = 0;
  std::size_t progressTotal_ = 0;
  // What the whole command is expected to send, so the bar does not run back between steps.
  std::size_t progressExpected_ = 0;
  bool reconnecting_ = false;
  bool finished_ = false;
  bool slow_ = false;  // answers came, but none within its time-out
  PortReport report_;
  // Bumped when a step is overtaken: continuations of the steps before it are dropped.
  std::uint64_t epoch_ = 0;

  // apply and set. Each row's write is taken as its answer comes, so a run cut short still
  // knows it.
  ApplyRun apply_;
  Phase phase_ = Phase::Other;
  bool readBack_ = false;               // the forward pass's read back is in the entries
  bool mustRestore_ = false;            // the run failed after writing: everything goes back
  int interrupted_ = 0;                 // the signal that cut the run short
  std::string lost_;                    // why the receiver went away mid-apply
  transfer::ProfileSetting restoring_;  // the link-cutting setting being put back
  // A setting that can cut the link is being written and confirmed: over TCP a drop then is
  // expected, and the link is made again (at most kReconnects times for one setting).
  const transfer::ProfileSetting* cutting_ = nullptr;
  int reconnects_ = 0;
  bool saveSent_ = false;  // the run is done: a loss now is only noted
};

}  // namespace orvane::ctl
