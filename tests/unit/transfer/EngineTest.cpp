// SPDX-License-Identifier: Apache-2.0
// The transfer engine with a command-line policy, in virtual time: many requests in flight,
// answers out of order, frames lost both ways, time-outs and retries, repeated settings as
// barriers.

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "platform/fakes/VirtualClock.h"
#include "support/Frames.h"
#include "transfer/SettingsTransfer.h"

namespace orvane::testing {
namespace {

using namespace std::chrono_literals;
using transfer::Direction;
using transfer::Outcome;
using transfer::SettingKey;

// A receiver over a lossy link: it drops one frame in ten each way, answers after 5 to 300 ms
// (one answer in twenty only after 900 ms, past the time-out), refuses every thirteenth setting
// and never answers every nineteenth.
class LossyReceiver final : public platform::Link {
 public:
  using Check = std::function<void(const SettingKey&)>;
  LossyReceiver(platform::fakes::VirtualClock& clock, Direction direction)
      : clock_(clock), direction_(direction) {}

  bool Open() override { return true; }
  void Close() override {}
  bool IsOpen() const override { return true; }
  void Output(std::span<const std::uint8_t> frame) override {
    const Sent sent = Decode({frame.begin(), frame.end()});
    if (sent.type == 0x00A1) ++saves;
    if (sent.texts.size() < 2) return;
    const SettingKey key{sent.texts[0], sent.texts[1]};
    if (beforeSend) beforeSend(key);
    const int n = std::stoi(key.name.substr(1));
    if (Chance(10) || n % 19 == 4) return;
    const std::string value = direction_ == Direction::Read ? "r" + key.name : sent.texts[2];
    const auto answer = direction_ == Direction::Read
                            ? ReadResponseFrame(key.section, key.name, value)
                            : WriteResponseFrame(n % 13 == 7 ? 2 : 0, key.section, key.name, value);
    if (Chance(10)) return;
    heard.insert(key);
    const auto delay = Chance(5) ? 900ms : std::chrono::milliseconds(5 + random_() % 296);
    clock_.Post(delay, [this, answer] { deliver(answer); });
  }

  Check beforeSend;
  std::function<void(const std::vector<std::uint8_t>&)> deliver;
  std::set<SettingKey> heard;  // settings whose answer reached the tool at least once
  int saves = 0;

 private:
  bool Chance(unsigned percent) { return random_() % 100 < percent; }
  platform::fakes::VirtualClock& clock_;
  Direction direction_;
  std::mt19937 random_{20261207};
};

SettingKey KeyOf(int n) {
  return {"s" + std::to_string(n % 7), "n" + std::to_string(n)};
}

TEST(SettingsTransfer, EveryItemOfAHundredEndsWithItsTrueOutcomeOverALossyLink) {
  for (const Direction direction : {Direction::Write, Direction::Read}) {
    platform::fakes::VirtualClock clock;
    LossyReceiver receiver(clock, direction);
    const auto pacing = clock.NewTimer();
    const transfer::TransferPolicy policy{.inFlight = 4,
                                          .pacing = 10ms,
                                          .timeout = 500ms,
                                          .retries = 3,
                                          .lineBaud = 19200,
                                          .repeatedKeysAreBarriers = true,
                                          .saveAfterWrites = true};
    bool finished = false;
    transfer::SettingsTransfer engine(direction, policy, receiver, *pacing,
                                      {.finished = [&] { finished = true; }});
    receiver.deliver = [&](const std::vector<std::uint8_t>& frame) {
      if (direction == Direction::Read) return engine.TakeAnswer(link::ParseReadResponse(frame));
      const link::WriteResponse answer = link::ParseWriteResponse(frame);
      engine.TakeAnswer(answer.setting, answer.status);
    };

    // Settings 20 and 60 appear twice: barriers. The value of 97 fits no frame.
    std::vector<transfer::TransferItem> items;
    for (int i = 0; i < 100; ++i) {
      const int n = i == 40 ? 20 : i == 80 ? 60 : i;
      items.push_back({.key = KeyOf(n), .value = [i] {
                         return i == 97 ? std::string(300, 'x') : "v" + std::to_string(i);
                       }});
    }
    const std::set<std::size_t> barriers{20, 40, 60, 80};
    std::size_t sends = 0;
    std::map<SettingKey, std::chrono::milliseconds> lastSent;
    receiver.beforeSend = [&](const SettingKey& key) {
      ++sends;
      // Sent again only once its time-out has run out since it last went out.
      if (const auto last = lastSent.find(key); last != lastSent.end()) {
        EXPECT_GE(clock.Now() - last->second, 500ms) << key.name;
      }
      lastSent[key] = clock.Now();
      EXPECT_LT(engine.Awaiting(), 4U);
      std::size_t item = 100;
      for (std::size_t i = 0; i < engine.size(); ++i) {
        if (engine.item(i).key != key) continue;
        EXPECT_NE(engine.result(i).outcome, Outcome::Awaiting) << key.name << " sent twice";
        if (engine.result(i).outcome == Outcome::NotSent) item = std::min(item, i);
      }
      for (const std::size_t b : barriers) {
        for (std::size_t j = 0; j < engine.size(); ++j) {
          const bool settled = engine.result(j).outcome != Outcome::NotSent &&
                               engine.result(j).outcome != Outcome::Awaiting;
          if ((item == b && j < b) || (item > b && j == b)) {
            EXPECT_TRUE(settled) << item << " went out before " << j << " was settled";
          }
        }
      }
    };
    engine.Load(items);
    engine.Start();
    clock.Advance(600s);

    ASSERT_TRUE(finished);
    EXPECT_GT(sends, 100U);  // some were sent again
    EXPECT_EQ(receiver.saves, direction == Direction::Write ? 1 : 0);
    for (std::size_t i = 0; i < 100; ++i) {
      const SettingKey& key = engine.item(i).key;
      const int n = std::stoi(key.name.substr(1));
      const transfer::ItemResult& result = engine.result(i);
      const bool unsendable = direction == Direction::Write && i == 97;
      const Outcome expected = unsendable                      ? Outcome::NotSendable
                               : !receiver.heard.contains(key) ? Outcome::Unanswered
                               : direction == Direction::Read  ? Outcome::ValueRead
                               : n % 13 == 7                   ? Outcome::Refused
                                                               : Outcome::Accepted;
      EXPECT_EQ(result.outcome, expected) << i;
      if (expected == Outcome::ValueRead) {
        EXPECT_EQ(result.value, "r" + key.name);
      } else if (expected == Outcome::Accepted && !barriers.contains(i)) {
        EXPECT_EQ(result.value, "v" + std::to_string(i));
      } else if (expected == Outcome::Refused) {
        EXPECT_EQ(result.status, 2);
      }
      if (n % 19 == 4) {
        EXPECT_EQ(result.sends, 4) << i;
      }
    }
  }
}

}  // namespace
}  // namespace orvane::testing
