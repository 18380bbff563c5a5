// SPDX-License-Identifier: Apache-2.0
#pragma once
// The transfer engine: reads or writes any list of settings over a link and gives each one an
// outcome. Requests go out on the ticks of a pacing timer, one per tick at most, while the link
// is open (a closed link pauses the run where it is). The policy says how many may await their
// answers at once, how long an answer is waited for and how often a request is tried again.
// Answers are matched to items by setting, whatever their order. The engine keeps time by its
// pacing ticks, so a time-out runs out on the first tick after it is due.
//
// Without a time-out nothing is ever given up: every item is sent once, in order, one per tick,
// and answers count whenever they come, also after the run has finished.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "link/SettingsMessages.h"
#include "platform/Link.h"
#include "platform/Timer.h"
#include "transfer/Profile.h"

namespace orvane::transfer {

enum class Direction : std::uint8_t { Read, Write };

struct TransferPolicy {
  // Requests that may await their answers at once; 0 means no limit.
  std::size_t inFlight = 0;
  std::chrono::milliseconds pacing{250};
  // How long an answer is waited for once its request has left the line; none: for ever.
  std::optional<std::chrono::milliseconds> timeout;
  // How often an unanswered request is sent again before its item is given up.
  int retries = 0;
  // Line speed used to tell when a request has left the line (10 bits a byte, frames queued
  // ahead of it included) and how long its answer takes back; 0: frames take no time.
  std::int32_t lineBaud = 0;
  // A setting that appears more than once in the list is a barrier: the items before it are
  // settled before it goes out, and it is settled before the items after it go out. With this
  // and a time-out, no setting ever has two requests awaiting answers: an item goes out again
  // only once its time-out has run out.
  bool repeatedKeysAreBarriers = false;
  // An answer counts for an item that has not been requested in this run (read answers that
  // arrive on their own).
  bool countUnrequestedAnswers = false;
  // A settings save follows the last write.
  bool saveAfterWrites = false;
};

struct TransferItem {
  SettingKey key{};
  // Writes: the value, asked for when the request goes out (each time it goes out).
  std::function<std::string()> value = nullptr;
  // Counted as accepted once sent (writes).
  bool countedWhenSent = false;
  // An answer counts only if it carries the value sent.
  bool matchedByValue = false;
};

enum class Outcome : std::uint8_t {
  NotSent,      // waiting for its turn
  Awaiting,     // sent, no answer yet
  ValueRead,    // read: the receiver's value is in `value`
  Accepted,     // write: the receiver took it; `value` is what it answered with
  Refused,      // write: refused with `status`
  Unanswered,   // given up after its time-out and retries
  NotSendable,  // too long for a frame, or a character the wire cannot carry
};

struct ItemResult {
  Outcome outcome = Outcome::NotSent;
  std::string value;
  std::int16_t status = 0;
  int sends = 0;
};

class SettingsTransfer {
 public:
  struct Callbacks {
    // An item went out (its result shows the attempt).
    std::function<void(std::size_t item)> sent = nullptr;
    // An answer of this transfer's kind arrived: the item it counted for, if any, and whether
    // the receiver accepted (a read answer always is).
    std::function<void(std::optional<std::size_t> item, bool accepted)> answered = nullptr;
    // An item was given up.
    std::function<void(std::size_t item)> givenUp = nullptr;
    // Every item sent and, with a time-out, settled; the save (if any) has gone out.
    std::function<void()> finished = nullptr;
  };

  SettingsTransfer(Direction direction, const TransferPolicy& policy, platform::Link& link,
                   platform::Timer& pacing, Callbacks callbacks);
  ~SettingsTransfer();
  SettingsTransfer(const SettingsTransfer&) = delete;
  SettingsTransfer& operator=(const SettingsTransfer&) = delete;

  // Takes a new list; every result starts afresh. Answers count toward the loaded list from now.
  void Load(std::vector<TransferItem> items);
  // Starts (or starts over) sending from the first item. The pacing keeps its phase if running.
  void Start();
  // Stops sending; answers still count.
  void Stop();

  // An answer of this transfer's kind, taken apart: a read answer's status is always 0, a write
  // answer's is the receiver's (0 accepted, anything else refused).
  void TakeAnswer(const link::Setting& answer, std::int16_t status = 0);

  bool IsRunning() const;
  std::size_t size() const { return items_.size(); }
  const TransferItem& item(std::size_t i) const { return items_.at(i); }
  const ItemResult& result(std::size_t i) const { return results_.at(i); }
  std::size_t Count(Outcome outcome) const { return counts_[static_cast<std::size_t>(outcome)]; }
  std::size_t Awaiting() const { return Count(Outcome::Awaiting); }

  // One pacing tick (the timer calls it).
  void OnPacingTick();

 private:
  using Clock = std::chrono::milliseconds;
  struct Flight {
    Clock deadline{};
    bool retryDue = false;
    std::string valueSent;
  };

  void Reset();
  // Every change of an item's outcome goes through here, so the counts and the sets of open
  // items stay true without a pass over the whole list.
  void SetOutcome(std::size_t i, Outcome outcome);
  void ExpireOverdue();
  std::optional<std::size_t> NextToSend() const;
  bool MaySend(std::size_t i) const;
  bool SettledBefore(std::size_t end) const;
  void Send(std::size_t i);
  void Finish();
  std::optional<std::size_t> Match(const SettingKey& key, const std::string& value) const;
  void SetRetryDue(std::size_t i, bool due);
  void Settle(std::size_t i, bool accepted, std::string value, std::int16_t status);
  bool Settled(std::size_t i) const;
  Clock LineTime(std::size_t bytes) const;

  Direction direction_;
  TransferPolicy policy_;
  platform::Link& link_;
  platform::Timer& pacing_;
  Callbacks callbacks_;
  bool loaded_ = false;
  bool sending_ = false;
  std::vector<TransferItem> items_;
  std::vector<ItemResult> results_;
  std::vector<Flight> flights_;
  std::vector<bool> barrier_;
  std::size_t cursor_ = 0;
  // Kept so that each tick and each answer costs the same however long the list: the items'
  // outcomes counted; the items before the cursor not yet settled, and the barriers among them;
  // the items due to be sent again; when each request in flight runs out (with its send count,
  // so a request sent again leaves its old deadline behind); each setting's items.
  static constexpr std::size_t kOutcomes = static_cast<std::size_t>(Outcome::NotSendable) + 1;
  std::array<std::size_t, kOutcomes> counts_{};
  std::set<std::size_t> open_;
  std::set<std::size_t> openBarriers_;
  std::set<std::size_t> retryDue_;
  std::multimap<Clock, std::pair<std::size_t, int>> deadlines_;
  std::map<SettingKey, std::vector<std::size_t>> itemsOf_;
  // Virtual time counted in pacing ticks; the line is busy until lineFreeAt_.
  Clock now_{0};
  Clock lineFreeAt_{0};
};

}  // namespace orvane::transfer
