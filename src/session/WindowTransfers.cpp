// SPDX-License-Identifier: Apache-2.0
#include "session/WindowTransfers.h"

#include <string>
#include <utility>

#include "transfer/BaseStation.h"

namespace orvane::session {

using namespace transfer;

namespace {

using namespace std::chrono_literals;

// The value a profile row sends: its constant, or its field's state at the moment it goes out.
std::function<std::string()> ValueOf(const RowValue& value, const platform::FormFields& fields) {
  if (const auto* constant = std::get_if<std::string>(&value)) {
    return [text = *constant] { return text; };
  }
  const SettingKey& key = std::get<FieldOf>(value).key;
  const std::optional<FormField> field = FieldFor(key);
  const FormField source = field ? *field : FormField{.key = key, .kind = FieldKind::Text};
  return [&fields, source] { return FieldValue(fields, source); };
}

}  // namespace

TransferPolicy WindowPolicy(Direction direction) {
  TransferPolicy policy;
  policy.inFlight = 0;
  policy.pacing = 250ms;
  policy.timeout = std::nullopt;
  policy.retries = 0;
  policy.countUnrequestedAnswers = direction == Direction::Read;
  policy.saveAfterWrites = direction == Direction::Write;
  return policy;
}

WindowTransfer::WindowTransfer(Direction direction, platform::Link& link, platform::Timer& pacing,
                               platform::FormFields& fields, TransferEvents& events)
    : direction_(direction),
      fields_(fields),
      events_(events),
      engine_(direction, WindowPolicy(direction), link, pacing,
              {.answered = [this](std::optional<std::size_t> item, bool accepted) {
                OnAnswer(item, accepted);
              }}) {}

WindowTransfer::WindowTransfer(platform::Link& link, platform::Timer& pacing,
                               platform::FormFields& fields, TransferEvents& events,
                               std::vector<FormField> readFields)
    : WindowTransfer(Direction::Read, link, pacing, fields, events) {
  readFields_ = std::move(readFields);
  engine_.Load(Items());  // read answers are shown from the start
}

WindowTransfer::WindowTransfer(platform::Link& link, platform::Timer& pacing,
                               platform::FormFields& fields, TransferEvents& events,
                               Profile profile)
    : WindowTransfer(Direction::Write, link, pacing, fields, events) {
  profile_ = std::move(profile);  // loaded at the first click: answers before it count for nothing
}

std::vector<TransferItem> WindowTransfer::Items() const {
  std::vector<TransferItem> items;
  if (direction_ == Direction::Read) {
    for (const FormField& field : readFields_) items.push_back({.key = field.key});
    return items;
  }
  for (const ProfileRow& row : profile_) {
    items.push_back({.key = row.key,
                     .value = ValueOf(row.value, fields_),
                     .countedWhenSent = row.rules.countedWhenSent,
                     .matchedByValue = row.rules.matchedByValue});
  }
  return items;
}

void WindowTransfer::OnClick() {
  engine_.Load(Items());
  events_.TransferStarted(direction_, engine_.size());
  engine_.Start();
}

std::size_t WindowTransfer::Done() const {
  return engine_.Count(direction_ == Direction::Read ? Outcome::ValueRead : Outcome::Accepted);
}

void WindowTransfer::OnAnswer(std::optional<std::size_t> item, bool accepted) {
  if (item) {
    const ItemResult& result = engine_.result(*item);
    if (direction_ == Direction::Read) {
      ShowValue(fields_, readFields_[*item], result.value);
    } else if (accepted && profile_[*item].rules.answerShown) {
      const std::optional<FormField> field = FieldFor(profile_[*item].key);
      if (field) ShowValue(fields_, *field, result.value);
    }
  }
  ReportProgress();
}

void WindowTransfer::ReportProgress() {
  events_.TransferProgress(direction_, Done(), engine_.size());
}

}  // namespace orvane::session
