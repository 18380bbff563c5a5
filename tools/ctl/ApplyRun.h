// SPDX-License-Identifier: Apache-2.0
#pragma once
// One apply (or set) on one receiver, as a transaction: the rows asked for, the snapshot read
// before anything is written, the plan, and each row's write as its answer comes. From these it
// says what a rollback must write, and in what order: everything the run may have changed, back
// to the snapshot's value, the settings that can cut the link last and in reverse, so the link
// stays up for as long as possible and each cut undoes the one made after it.
// Plain C++: the port job does the sending.

#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ApplyPlan.h"
#include "transfer/SettingsTransfer.h"

namespace orvane::ctl {

// A setting to write back to the value it had before the run.
struct RestoreStep {
  SettingName name;
  std::string value;
  bool cutsLink = false;
};

class ApplyRun {
 public:
  ApplyRun() = default;
  ApplyRun(std::vector<transfer::ProfileSetting> rows, bool all, bool overTcp);

  const std::vector<transfer::ProfileSetting>& rows() const { return rows_; }
  const ApplyPlan& plan() const { return plan_; }
  bool overTcp() const { return overTcp_; }

  // Takes the values read before writing and plans the writes against them.
  void Plan(ReadValues snapshot);
  const ReadValues& snapshot() const { return snapshot_; }
  // A setting named on several rows: its rows are a procedure, each a barrier.
  bool Repeated(const SettingName& name) const;

  void TakeWrite(std::size_t row, const transfer::ItemResult& result) { writes_.at(row) = result; }
  // The worst answer of a setting's rows: a refusal, else a row not accepted, else accepted.
  transfer::ItemResult WriteOf(const SettingName& name) const;
  bool AnyAccepted() const;
  // The settings the plan writes, each once, in the order of its first row.
  std::vector<SettingName> Written() const { return WrittenSettings(rows_, plan_); }
  // A write of the setting went out and was not refused: the receiver may hold another value.
  bool MayHaveChanged(const SettingName& name) const;

  // What a rollback writes, in order; settings without a snapshot value are left out (they
  // cannot be put back, and count as not restored), and so are those in keep.
  std::vector<RestoreStep> RestorePlan(const std::set<SettingName>& keep = {}) const;

 private:
  std::vector<transfer::ProfileSetting> rows_;
  bool all_ = false;
  bool overTcp_ = false;
  ReadValues snapshot_;
  ApplyPlan plan_;
  std::vector<transfer::ItemResult> writes_;                // per row
  std::map<SettingName, std::vector<std::size_t>> rowsOf_;  // each setting's rows, in order
};

}  // namespace orvane::ctl
