// SPDX-License-Identifier: Apache-2.0
#include "transfer/SettingsTransfer.h"

#include <algorithm>
#include <map>
#include <utility>

#include "link/Frame.h"
#include "link/SettingsMessages.h"

namespace orvane::transfer {

namespace {

// Bytes of a frame whose payload holds these texts, each with its NUL, after `extra` bytes.
std::size_t FrameBytes(std::initializer_list<std::size_t> texts, std::size_t extra = 0) {
  std::size_t bytes = link::kFrameOverhead + extra;
  for (const std::size_t text : texts) bytes += text + 1;
  return bytes;
}

}  // namespace

SettingsTransfer::SettingsTransfer(Direction direction, const TransferPolicy& policy,
                                   platform::Link& link, platform::Timer& pacing,
                                   Callbacks callbacks)
    : direction_(direction),
      policy_(policy),
      link_(link),
      pacing_(pacing),
      callbacks_(std::move(callbacks)) {
  pacing_.SetInterval(policy_.pacing);
  pacing_.Stop();
  pacing_.SetTickHandler([this] { OnPacingTick(); });
}

SettingsTransfer::~SettingsTransfer() {
  pacing_.Stop();
  pacing_.SetTickHandler(nullptr);
}

void SettingsTransfer::Load(std::vector<TransferItem> items) {
  items_ = std::move(items);
  loaded_ = true;
  Reset();
  itemsOf_.clear();
  for (std::size_t i = 0; i < items_.size(); ++i) itemsOf_[items_[i].key].push_back(i);
  // A setting listed more than once is a barrier, when the policy says so.
  for (std::size_t i = 0; i < items_.size(); ++i) {
    barrier_[i] = policy_.repeatedKeysAreBarriers && itemsOf_[items_[i].key].size() > 1;
  }
}

void SettingsTransfer::Reset() {
  results_.assign(items_.size(), ItemResult{});
  flights_.assign(items_.size(), Flight{});
  barrier_.assign(items_.size(), false);
  cursor_ = 0;
  counts_.fill(0);
  counts_[static_cast<std::size_t>(Outcome::NotSent)] = items_.size();
  open_.clear();
  openBarriers_.clear();
  retryDue_.clear();
  deadlines_.clear();
}

void SettingsTransfer::SetOutcome(std::size_t i, Outcome outcome) {
  Outcome& now = results_[i].outcome;
  --counts_[static_cast<std::size_t>(now)];
  ++counts_[static_cast<std::size_t>(outcome)];
  now = outcome;
  if (i >= cursor_) return;
  if (Settled(i)) {
    open_.erase(i);
    openBarriers_.erase(i);
  } else {
    open_.insert(i);
    if (barrier_[i]) openBarriers_.insert(i);
  }
}

void SettingsTransfer::SetRetryDue(std::size_t i, bool due) {
  flights_[i].retryDue = due;
  if (due) {
    retryDue_.insert(i);
  } else {
    retryDue_.erase(i);
  }
}

void SettingsTransfer::Start() {
  if (!loaded_) return;
  // Starting over: every item is ahead of the cursor again.
  cursor_ = 0;
  open_.clear();
  openBarriers_.clear();
  sending_ = true;
  pacing_.Start();
}

void SettingsTransfer::Stop() {
  sending_ = false;
  pacing_.Stop();
}

bool SettingsTransfer::IsRunning() const {
  return sending_;
}

bool SettingsTransfer::Settled(std::size_t i) const {
  const Outcome outcome = results_[i].outcome;
  return outcome != Outcome::NotSent && outcome != Outcome::Awaiting;
}

bool SettingsTransfer::SettledBefore(std::size_t end) const {
  return open_.empty() || *open_.begin() >= end;
}

void SettingsTransfer::OnPacingTick() {
  now_ += policy_.pacing;
  if (!sending_ || !link_.IsOpen()) return;  // a closed link pauses the run at its item
  ExpireOverdue();
  if (const auto next = NextToSend()) {
    Send(*next);
    return;
  }
  const bool waitForAnswers = policy_.timeout.has_value() && Awaiting() > 0;
  if (cursor_ == items_.size() && retryDue_.empty() && !waitForAnswers) Finish();
}

void SettingsTransfer::ExpireOverdue() {
  if (!policy_.timeout) return;
  std::vector<std::size_t> due;
  while (!deadlines_.empty() && deadlines_.begin()->first <= now_) {
    const auto [i, sends] = deadlines_.begin()->second;
    deadlines_.erase(deadlines_.begin());
    // A request answered or sent again since has nothing left to run out.
    if (results_[i].outcome == Outcome::Awaiting && results_[i].sends == sends) due.push_back(i);
  }
  std::sort(due.begin(), due.end());
  for (const std::size_t i : due) {
    if (results_[i].sends <= policy_.retries) {
      SetOutcome(i, Outcome::NotSent);
      SetRetryDue(i, true);
    } else {
      SetOutcome(i, Outcome::Unanswered);
      if (callbacks_.givenUp) callbacks_.givenUp(i);
    }
  }
}

// Requests tried again go first, then the next item in order. Whatever holds back the first
// request due again (the requests in flight, a barrier before it) holds back every later one.
std::optional<std::size_t> SettingsTransfer::NextToSend() const {
  if (!retryDue_.empty()) {
    const std::size_t first = *retryDue_.begin();
    // After a start over, a request due again waits for the cursor to come past it.
    if (first < cursor_ && MaySend(first)) return first;
  }
  if (cursor_ < items_.size() && MaySend(cursor_)) return cursor_;
  return std::nullopt;
}

bool SettingsTransfer::MaySend(std::size_t i) const {
  if (policy_.inFlight != 0 && Awaiting() >= policy_.inFlight) return false;
  if (barrier_[i] && !SettledBefore(i)) return false;
  return openBarriers_.empty() || *openBarriers_.begin() >= i;
}

void SettingsTransfer::Send(std::size_t i) {
  const TransferItem& item = items_[i];
  if (i == cursor_) {
    ++cursor_;
    if (!Settled(i)) {
      open_.insert(i);
      if (barrier_[i]) openBarriers_.insert(i);
    }
  }
  std::string value = direction_ == Direction::Write && item.value ? item.value() : std::string();
  const link::SendResult sent =
      direction_ == Direction::Write
          ? link::SendSettingWrite(link_, item.key.section, item.key.name, value)
          : link::SendSettingReadRequest(link_, item.key.section, item.key.name);
  ItemResult& result = results_[i];
  Flight& flight = flights_[i];
  SetRetryDue(i, false);
  if (sent != link::SendResult::Sent) {
    SetOutcome(i, Outcome::NotSendable);
    return;
  }
  ++result.sends;
  SetOutcome(i, item.countedWhenSent ? Outcome::Accepted : Outcome::Awaiting);
  if (policy_.timeout) {
    const bool write = direction_ == Direction::Write;
    const std::size_t request = FrameBytes({item.key.section.size(), item.key.name.size()}) +
                                (write ? value.size() + 1 : 0);
    const std::size_t answer = request + (write ? 1 : 0);  // a read's value is not known yet
    lineFreeAt_ = std::max(now_, lineFreeAt_) + LineTime(request);
    flight.deadline = lineFreeAt_ + LineTime(answer) + *policy_.timeout;
    if (results_[i].outcome == Outcome::Awaiting)
      deadlines_.emplace(flight.deadline, std::pair(i, result.sends));
  }
  flight.valueSent = std::move(value);
  if (callbacks_.sent) callbacks_.sent(i);
}

void SettingsTransfer::Finish() {
  Stop();
  if (direction_ == Direction::Write && policy_.saveAfterWrites) link::SendSettingsSave(link_);
  if (callbacks_.finished) callbacks_.finished();
}

SettingsTransfer::Clock SettingsTransfer::LineTime(std::size_t bytes) const {
  if (policy_.lineBaud <= 0) return Clock{0};
  return Clock{static_cast<std::int64_t>(bytes) * 10 * 1000 / policy_.lineBaud};
}

void SettingsTransfer::TakeAnswer(const link::Setting& answer, std::int16_t status) {
  if (!loaded_) return;
  const bool accepted = status == 0;
  const auto i = Match({answer.section, answer.name}, answer.value);
  if (i) Settle(*i, accepted, answer.value, status);
  if (callbacks_.answered) callbacks_.answered(i, accepted);
}

// The item an answer counts for: one awaiting it first, then one due to be sent again, then one
// already settled (a second answer changes nothing it should not).
std::optional<std::size_t> SettingsTransfer::Match(const SettingKey& key,
                                                   const std::string& value) const {
  const auto listed = itemsOf_.find(key);
  if (listed == itemsOf_.end()) return std::nullopt;
  std::optional<std::size_t> retried;
  std::optional<std::size_t> other;
  for (const std::size_t i : listed->second) {
    const TransferItem& item = items_[i];
    const ItemResult& result = results_[i];
    if (result.sends == 0 && !policy_.countUnrequestedAnswers) continue;
    if (item.matchedByValue) {
      const std::string expected =
          result.sends > 0 ? flights_[i].valueSent : (item.value ? item.value() : std::string());
      if (value != expected) continue;
    }
    if (result.outcome == Outcome::Awaiting) return i;
    if (flights_[i].retryDue && !retried) retried = i;
    if (!other) other = i;
  }
  return retried ? retried : other;
}

void SettingsTransfer::Settle(std::size_t i, bool accepted, std::string value,
                              std::int16_t status) {
  ItemResult& result = results_[i];
  SetRetryDue(i, false);
  if (direction_ == Direction::Read) {
    SetOutcome(i, Outcome::ValueRead);
    result.value = std::move(value);
  } else if (accepted) {
    SetOutcome(i, Outcome::Accepted);
    result.value = std::move(value);
  } else if (result.outcome != Outcome::Accepted) {
    SetOutcome(i, Outcome::Refused);
    result.status = status;
  }
}

}  // namespace orvane::transfer
