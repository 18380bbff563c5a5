// SPDX-License-Identifier: Apache-2.0
#include "ApplyPlan.h"

#include <algorithm>
#include <set>

namespace orvane::ctl {

namespace {

SettingName NameOf(const transfer::ProfileSetting& row) {
  return {row.section, row.name};
}

}  // namespace

bool CutsLink(const std::string& section, const std::string& name, bool overTcp) {
  if (section.starts_with("uart") &&
      (name == "baudrate" || name == "mode" || name == "enabled_sbp_messages")) {
    return true;
  }
  return overTcp && (section == "ethernet" || section.starts_with("tcp_server"));
}

ApplyPlan PlanApply(const std::vector<transfer::ProfileSetting>& rows, const ReadValues& before,
                    bool all, bool overTcp) {
  std::map<SettingName, int> uses;
  std::map<SettingName, std::string> wanted;
  for (const auto& row : rows) {
    ++uses[NameOf(row)];
    wanted[NameOf(row)] = row.value;
  }
  std::set<SettingName> changing;
  for (const auto& [name, value] : wanted) {
    const auto held = before.find(name);
    if (all || held == before.end() || held->second != value) changing.insert(name);
  }
  ApplyPlan plan;
  if (changing.empty()) return plan;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const SettingName name = NameOf(rows[i]);
    if (!changing.contains(name) && uses[name] < 2) continue;
    auto& phase = CutsLink(name.first, name.second, overTcp) ? plan.last : plan.together;
    phase.push_back(i);
  }
  return plan;
}

std::vector<SettingName> WrittenSettings(const std::vector<transfer::ProfileSetting>& rows,
                                         const ApplyPlan& plan) {
  std::vector<std::size_t> indices = plan.together;
  indices.insert(indices.end(), plan.last.begin(), plan.last.end());
  std::sort(indices.begin(), indices.end());
  std::vector<SettingName> names;
  std::set<SettingName> seen;
  for (const std::size_t i : indices) {
    SettingName name = NameOf(rows[i]);
    if (seen.insert(name).second) names.push_back(std::move(name));
  }
  return names;
}

}  // namespace orvane::ctl
