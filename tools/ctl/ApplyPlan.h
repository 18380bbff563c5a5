// SPDX-License-Identifier: Apache-2.0
#pragma once
// Which rows of a profile apply writes, and in what order: the rows whose setting would change
// go out together, in profile order, and the rows that can cut the link in use go out last, one
// at a time, so that everything else is settled before the link moves.

#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "transfer/ProfileFile.h"

namespace orvane::ctl {

using SettingName = std::pair<std::string, std::string>;  // section, name

// What the receiver holds, as read before writing; a setting that did not answer is absent.
using ReadValues = std::map<SettingName, std::string>;

// A setting whose change can leave the link in use without a receiver behind it: a serial
// port's speed, protocol or message filter, and over TCP the network and TCP server settings.
bool CutsLink(const std::string& section, const std::string& name, bool overTcp);

struct ApplyPlan {
  std::vector<std::size_t> together;  // row indices, written in one transfer, in profile order
  std::vector<std::size_t> last;      // row indices, written one at a time after the others
  bool Empty() const { return together.empty() && last.empty(); }
};

// all: every row. Otherwise a setting's rows are written when its last row's value differs from
// what the receiver holds (or nothing was read for it); a setting named on several rows is
// written in full whenever anything at all is written, since its rows are a procedure.
ApplyPlan PlanApply(const std::vector<transfer::ProfileSetting>& rows, const ReadValues& before,
                    bool all, bool overTcp);

// The settings a plan writes, each once, in the order of its first row.
std::vector<SettingName> WrittenSettings(const std::vector<transfer::ProfileSetting>& rows,
                                         const ApplyPlan& plan);

}  // namespace orvane::ctl
