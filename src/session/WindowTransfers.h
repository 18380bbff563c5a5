// SPDX-License-Identifier: Apache-2.0
#pragma once
// The window's two transfers: "Read From Orvane" reads the twelve settings the window shows and
// "Write to Orvane" writes the base-station profile, one request per 250 ms tick, with no
// time-out and no retry. Each click starts over; the start and every answer are reported as the
// rows done of the rows in the run.
//
// Read answers are shown in their fields whenever they arrive and count toward the current read
// even if they answer an earlier one. A write answer counts only for a row sent since the last
// click, so an answer to an older write (or to the baud-rate search) never passes for the
// receiver's acceptance of what was sent now.

#include <cstddef>
#include <span>
#include <vector>

#include "platform/FormFields.h"
#include "platform/Link.h"
#include "platform/Timer.h"
#include "transfer/Profile.h"
#include "transfer/SettingsTransfer.h"

namespace orvane::session {

using transfer::Direction;
using transfer::FormField;
using transfer::Profile;
using transfer::SettingsTransfer;
using transfer::TransferItem;
using transfer::TransferPolicy;

// What a window transfer reports: rows read, or rows accepted, of the rows in the run.
class TransferEvents {
 public:
  virtual void TransferStarted(Direction direction, std::size_t total) = 0;
  virtual void TransferProgress(Direction direction, std::size_t done, std::size_t total) = 0;

 protected:
  ~TransferEvents() = default;
};

// One request per tick, nothing given up, nothing tried again.
TransferPolicy WindowPolicy(Direction direction);

class WindowTransfer {
 public:
  // The read of the window's fields.
  WindowTransfer(platform::Link& link, platform::Timer& pacing, platform::FormFields& fields,
                 TransferEvents& events, std::vector<FormField> readFields);
  // The write of a profile.
  WindowTransfer(platform::Link& link, platform::Timer& pacing, platform::FormFields& fields,
                 TransferEvents& events, Profile profile);

  // The button was clicked.
  void OnClick();
  // An answer of this transfer's kind, taken apart.
  void TakeAnswer(const link::Setting& answer, std::int16_t status = 0) {
    engine_.TakeAnswer(answer, status);
  }

  const SettingsTransfer& engine() const { return engine_; }
  // Rows read, or rows accepted.
  std::size_t Done() const;

 private:
  WindowTransfer(Direction direction, platform::Link& link, platform::Timer& pacing,
                 platform::FormFields& fields, TransferEvents& events);
  std::vector<TransferItem> Items() const;
  void OnAnswer(std::optional<std::size_t> item, bool accepted);
  void ReportProgress();

  Direction direction_;
  platform::FormFields& fields_;
  TransferEvents& events_;
  std::vector<FormField> readFields_;
  Profile profile_;
  SettingsTransfer engine_;
};

}  // namespace orvane::session
