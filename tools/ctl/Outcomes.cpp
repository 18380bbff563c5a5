// SPDX-License-Identifier: Apache-2.0
#include "Outcomes.h"

namespace orvane::ctl {

using Answer = transfer::Outcome;

ExitCode CodeOf(Answer outcome) {
  switch (outcome) {
    case Answer::Refused:
      return ExitCode::Refused;
    case Answer::Unanswered:
    case Answer::NotSendable:
    case Answer::NotSent:
    case Answer::Awaiting:
      return ExitCode::Unanswered;
    case Answer::ValueRead:
    case Answer::Accepted:
      break;
  }
  return ExitCode::Done;
}

ExitCode CodeOf(Outcome outcome) {
  switch (outcome) {
    case Outcome::Differs:
      return ExitCode::Differences;
    case Outcome::Refused:
      return ExitCode::Refused;
    case Outcome::Mismatch:
      return ExitCode::Mismatch;
    case Outcome::Unanswered:
      return ExitCode::Unanswered;
    default:
      return ExitCode::Done;
  }
}

bool MayHaveChanged(Answer outcome) {
  return outcome == Answer::Accepted || outcome == Answer::Awaiting ||
         outcome == Answer::Unanswered;
}

Outcome ReadOutcome(const transfer::ItemResult& read, const std::optional<std::string>& wanted) {
  if (read.outcome != Answer::ValueRead) return Outcome::Unanswered;
  if (!wanted) return Outcome::Read;
  return read.value == *wanted ? Outcome::Unchanged : Outcome::Differs;
}

Outcome WrittenOutcome(const transfer::ItemResult& write, const std::optional<std::string>& after,
                       const std::optional<std::string>& wanted) {
  if (write.outcome != Answer::Accepted) return CutShortOutcome(write.outcome);
  if (!after) return Outcome::Unanswered;
  return after == wanted ? Outcome::Written : Outcome::Mismatch;
}

Outcome CutShortOutcome(Answer write) {
  switch (write) {
    case Answer::Accepted:
      return Outcome::Written;
    case Answer::Refused:
      return Outcome::Refused;
    default:
      return Outcome::Unanswered;
  }
}

}  // namespace orvane::ctl
