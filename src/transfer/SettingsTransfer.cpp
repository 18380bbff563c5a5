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
  // A setting listed more than once is a barrier, when the policy says so.
  std::map<SettingKey, int> uses;
  for (const TransferItem& item : items_) ++uses[item.key];
  for (std::size_t i = 0; i < items_.size(); ++i) {
    barrier_[i] = policy_.repeatedKeysAreBarriers && uses[items_[i].key] > 1;
  }
}

void SettingsTransfer::Reset() {
  results_.assign(items_.size(), ItemResult{});
  flights_.assign(items_.size(), Flight{});
  barrier_.assign(items_.size(), false);
  cursor_ = 0;
}

void SettingsTransfer::Start() {
  if (!loaded_) return;
  cursor_ = 0;
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

std::size_t SettingsTransfer::Count(Outcome outcome) const {
  return static_cast<std::size_t>(std::ranges::count(results_, outcome, &ItemResult::outcome));
}

bool SettingsTransfer::Settled(std::size_t i) const {
  const Outcome outcome = results_[i].outcome;
  return outcome != Outcome::NotSent && outcome != Outcome::Awaiting;
}

bool SettingsTransfer::SettledBefore(std::size_t end) const {
  for (std::size_t j = 0; j < end; ++j) {
    if (!Settled(j)) return false;
  }
  return true;
}

void SettingsTransfer::OnPacingTick() {
  now_ += policy_.pacing;
  if (!sending_ || !link_.IsOpen()) return;  // a closed link pauses the run at its item
  ExpireOverdue();
  if (const auto next = NextToSend()) {
    Send(*next);
    return;
  }
  const bool retryDue = std::ranges::any_of(flights_, &Flight::retryDue);
  const bool waitForAnswers = policy_.timeout.has_value() && Awaiting() > 0;
  if (cursor_ == items_.size() && !retryDue && !waitForAnswers) Finish();
}

void SettingsTransfer::ExpireOverdue() {
  if (!policy_.timeout) return;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (results_[i].outcome != Outcome::Awaiting || now_ < flights_[i].deadline) continue;
    if (results_[i].sends <= policy_.retries) {
      results_[i].outcome = Outcome::NotSent;
      flights_[i].retryDue = true;
    } else {
      results_[i].outcome = Outcome::Unanswered;
      if (callbacks_.givenUp) callbacks_.givenUp(i);
    }
  }
}

// Requests tried again go first, then the next item in order.
std::optional<std::size_t> SettingsTransfer::NextToSend() const {
  for (std::size_t i = 0; i < cursor_; ++i) {
    if (flights_[i].retryDue && MaySend(i)) return i;
  }
  if (cursor_ < items_.size() && MaySend(cursor_)) return cursor_;
  return std::nullopt;
}

bool SettingsTransfer::MaySend(std::size_t i) const {
  if (policy_.inFlight != 0 && Awaiting() >= policy_.inFlight) return false;
  if (barrier_[i] && !SettledBefore(i)) return false;
  for (std::size_t j = 0; j < i; ++j) {
    if (barrier_[j] && !Settled(j)) return false;
  }
  return true;
}

void SettingsTransfer::Send(std::size_t i) {
  const TransferItem& item = items_[i];
  if (i == cursor_) ++cursor_;
  std::string value = direction_ == Direction::Write && item.value ? item.value() : std::string();
  const link::SendResult sent =
      direction_ == Direction::Write
          ? link::SendSettingWrite(link_, item.key.section, item.key.name, value)
          : link::SendSettingReadRequest(link_, item.key.section, item.key.name);
  ItemResult& result = results_[i];
  Flight& flight = flights_[i];
  flight.retryDue = false;
  if (sent != link::SendResult::Sent) {
    result.outcome = Outcome::NotSendable;
    return;
  }
  ++result.sends;
  result.outcome = item.countedWhenSent ? Outcome::Accepted : Outcome::Awaiting;
  if (policy_.timeout) {
    const bool write = direction_ == Direction::Write;
    const std::size_t request = FrameBytes({item.key.section.size(), item.key.name.size()}) +
                                (write ? value.size() + 1 : 0);
    const std::size_t answer = request + (write ? 1 : 0);  // a read's value is not known yet
    lineFreeAt_ = std::max(now_, lineFreeAt_) + LineTime(request);
    flight.deadline = lineFreeAt_ + LineTime(answer) + *policy_.timeout;
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
  std::optional<std::size_t> retried;
  std::optional<std::size_t> other;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    const TransferItem& item = items_[i];
    const ItemResult& result = results_[i];
    if (item.key != key) continue;
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
  flights_[i].retryDue = false;
  if (direction_ == Direction::Read) {
    result.outcome = Outcome::ValueRead;
    result.value = std::move(value);
  } else if (accepted) {
    result.outcome = Outcome::Accepted;
    result.value = std::move(value);
  } else if (result.outcome != Outcome::Accepted) {
    result.outcome = Outcome::Refused;
    result.status = status;
  }
}

}  // namespace orvane::transfer
