// SPDX-License-Identifier: Apache-2.0
#include "ApplyRun.h"

#include <algorithm>

#include "Outcomes.h"

namespace orvane::ctl {

using Answer = transfer::Outcome;

ApplyRun::ApplyRun(std::vector<transfer::ProfileSetting> rows, bool all, bool overTcp)
    : rows_(std::move(rows)), all_(all), overTcp_(overTcp), writes_(rows_.size()) {
  for (std::size_t i = 0; i < rows_.size(); ++i)
    rowsOf_[{rows_[i].section, rows_[i].name}].push_back(i);
}

void ApplyRun::Plan(ReadValues snapshot) {
  snapshot_ = std::move(snapshot);
  plan_ = PlanApply(rows_, snapshot_, all_, overTcp_);
}

bool ApplyRun::Repeated(const SettingName& name) const {
  const auto rows = rowsOf_.find(name);
  return rows != rowsOf_.end() && rows->second.size() > 1;
}

transfer::ItemResult ApplyRun::WriteOf(const SettingName& name) const {
  const auto rank = [](Answer outcome) {
    return outcome == Answer::Refused ? 2 : outcome == Answer::Accepted ? 0 : 1;
  };
  const auto rows = rowsOf_.find(name);
  if (rows == rowsOf_.end()) return {};
  transfer::ItemResult worst = writes_[rows->second.front()];
  for (const std::size_t i : rows->second) {
    if (rank(writes_[i].outcome) > rank(worst.outcome)) worst = writes_[i];
  }
  return worst;
}

bool ApplyRun::AnyAccepted() const {
  return std::any_of(writes_.begin(), writes_.end(),
                     [](const auto& write) { return write.outcome == Answer::Accepted; });
}

bool ApplyRun::MayHaveChanged(const SettingName& name) const {
  const auto rows = rowsOf_.find(name);
  if (rows == rowsOf_.end()) return false;
  return std::any_of(rows->second.begin(), rows->second.end(),
                     [this](std::size_t i) { return ctl::MayHaveChanged(writes_[i].outcome); });
}

std::vector<RestoreStep> ApplyRun::RestorePlan(const std::set<SettingName>& keep) const {
  std::vector<RestoreStep> steps;
  const auto add = [&](const SettingName& name) {
    const auto held = snapshot_.find(name);
    if (held == snapshot_.end() || !MayHaveChanged(name) || keep.contains(name)) return;
    const bool cuts = CutsLink(name.first, name.second, overTcp_);
    const bool added = std::any_of(steps.begin(), steps.end(),
                                   [&](const RestoreStep& step) { return step.name == name; });
    if (!added) steps.push_back({name, held->second, cuts});
  };
  // The settings that keep the link first, the last written first back; then the ones that can
  // cut it, in the reverse of the order they went out.
  const std::vector<SettingName> written = Written();
  for (auto name = written.rbegin(); name != written.rend(); ++name) {
    if (!CutsLink(name->first, name->second, overTcp_)) add(*name);
  }
  for (auto row = plan_.last.rbegin(); row != plan_.last.rend(); ++row)
    add({rows_[*row].section, rows_[*row].name});
  return steps;
}

}  // namespace orvane::ctl
