// SPDX-License-Identifier: Apache-2.0
#pragma once
// The one place where what the engine made of a request becomes what the report says of a
// setting, and what a setting's outcome makes of the exit status.

#include <optional>
#include <string>

#include "Report.h"
#include "transfer/SettingsTransfer.h"

namespace orvane::ctl {

// A request's outcome as an exit status: refused, never answered, or fine.
ExitCode CodeOf(transfer::Outcome outcome);
ExitCode CodeOf(Outcome outcome);

// A request that may have changed the receiver: it went out and was not refused (an unanswered
// write may have been taken, its answer lost).
bool MayHaveChanged(transfer::Outcome outcome);

// What a read setting came to: read (nothing wanted of it), unchanged or differing from what is
// wanted, or unanswered.
Outcome ReadOutcome(const transfer::ItemResult& read, const std::optional<std::string>& wanted);

// What a written setting came to: its worst write, then what it read back as.
Outcome WrittenOutcome(const transfer::ItemResult& write, const std::optional<std::string>& after,
                       const std::optional<std::string>& wanted);

// A run cut short: what a setting's writes got so far, unverified.
Outcome CutShortOutcome(transfer::Outcome write);

}  // namespace orvane::ctl
