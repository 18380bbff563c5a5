// SPDX-License-Identifier: Apache-2.0
#pragma once
// apply and set as a transaction: snapshot, write (the settings that can cut the link last, one
// at a time, each confirmed), read back, then either save, or put every setting written back to
// its snapshot value and save nothing. --partial keeps what was verified instead, and a dry run
// only plans.

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "ApplyRun.h"
#include "CommandRun.h"

namespace orvane::ctl {

class TransactionRun final : public CommandRun {
 public:
  TransactionRun(RunContext context, std::vector<transfer::ProfileSetting> rows, bool all);

  void Start() override;
  void Interrupt(const std::string& why) override;
  void Lost(const Connection::Loss& loss) override;
  void CutShort() override;
  void Settle() override;

 private:
  using Results = Connection::Results;
  using Step = Connection::Step;
  // Where the run stands: what an interrupt or a lost port has to undo.
  enum class Phase : std::uint8_t { Snapshot, Writing, Confirming, ReadingBack, Restoring };

  bool Transactional() const;
  bool HasWritten() const { return phase_ != Phase::Snapshot; }
  void Fail(ExitCode code, std::string diagnosis) { ctx_.fail(code, std::move(diagnosis)); }
  void NoteSlowAnswers(const Results& results);
  void TakeSnapshot(const Results& results);
  void WritePlanned();
  void WriteLast(std::size_t k, Step then);
  void ReadBack();
  void TakeReadBack(const Results& results, const std::vector<SettingName>& written);
  void Save();
  void TakeWrites(const std::vector<std::size_t>& rows, const Results& results);
  // A run overtaken mid-write: where the writes on the line stand, so that one taken by the
  // receiver whose answer never came is put back too.
  void TakeWritesSoFar();
  void SettleUnfinished();

  // The way back (TransactionRollback.cpp).
  bool GoBackIfInterrupted();
  // keep: the settings that stay as written (--partial), then the save follows.
  void Rollback(std::set<SettingName> keep = {});
  void RestoreLast(std::vector<RestoreStep> steps, std::size_t k, Step then);
  void ReadRestored(const std::vector<RestoreStep>& steps, bool thenSave);
  void LostMidApply(const std::string& why);
  // The port again, the receiver's speed found, then found.
  void Regain(int attemptsLeft, Step found);

  // Each row's write is taken as its answer comes, so a run cut short still knows it.
  ApplyRun apply_;
  std::vector<std::size_t> writing_;  // the rows of the write transfer under way
  int regains_ = 0;                   // times the receiver was lost and looked for
  Phase phase_ = Phase::Snapshot;
  bool readBack_ = false;     // the forward pass's read back is in the entries
  bool mustRestore_ = false;  // the run failed after writing: everything goes back
  bool interrupted_ = false;  // a signal cut the run short
  bool saveSent_ = false;     // the run is done: a loss now is only noted
  std::string lost_;          // why the receiver went away mid-apply
  Step restoreNext_;  // a setting that can cut the link is being put back: what comes after it
  transfer::ProfileSetting restoring_;  // the link-cutting setting being put back
};

}  // namespace orvane::ctl
