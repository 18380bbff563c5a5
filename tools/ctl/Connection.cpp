// SPDX-License-Identifier: Apache-2.0
#include "Connection.h"

#include <cstdlib>

#include "link/SettingsMessages.h"

namespace orvane::ctl {

using namespace std::chrono_literals;
using transfer::Direction;
using Answer = transfer::Outcome;

namespace {

// Requests leave one per pacing tick; the time-out, not the pace, sets how long a run takes.
constexpr auto kPacing = 5ms;
// New connections made for one setting that can cut the link, before the receiver counts as
// gone: the drop it causes, and one more for a server that takes a moment to listen again.
constexpr int kReconnects = 3;

// The options' policy; the line's speed is the finder's to add.
transfer::TransferPolicy BasePolicy(const Options& options) {
  transfer::TransferPolicy policy;
  policy.inFlight = static_cast<std::size_t>(options.policy.inFlight.value_or(4));
  policy.pacing = kPacing;
  policy.timeout = std::chrono::milliseconds(options.policy.timeoutMs.value_or(500));
  policy.retries = options.policy.retries.value_or(3);
  policy.repeatedKeysAreBarriers = true;
  return policy;
}

// The address or the port of a receiver's TCP server: once written, it answers elsewhere.
bool MovesEndpoint(const transfer::ProfileSetting& row) {
  return (row.section == "ethernet" && row.name == "ip_address") ||
         (row.section.starts_with("tcp_server") && row.name == "port");
}

}  // namespace

Connection::Connection(const Options& options, const Target& target, JobHost host, Lost lost)
    : options_(options),
      target_(target),
      host_(std::move(host)),
      lost_(std::move(lost)),
      overTcp_(target.spec.kind == PortSpec::Kind::Tcp),
      watched_(host_.port, target.device, options.verbose) {
  core_ = std::make_unique<session::LinkCore>(host_.port, host_.timers);
  core_->AddObserver(watched_);
  session::SpeedFinder::Owner owner;
  owner.setSpeed = [this](std::int32_t baud) {
    core_->port().SetLineSettings(platform::AtBaud(baud));
  };
  owner.read = [this](const transfer::SettingKey& key, const transfer::TransferPolicy& policy,
                      std::function<void(bool)> answered) {
    ReadWith({{key.section, key.name}}, policy, [answered](Results results) {
      answered(results.front().outcome == Answer::ValueRead);
    });
  };
  finder_ = std::make_unique<session::SpeedFinder>(watched_, host_.timers, std::move(owner),
                                                   BasePolicy(options));
}

Connection::~Connection() {
  finder_.reset();
  core_.reset();
  host_.port.Close();
}

std::optional<std::string> Connection::Open() {
  if (!overTcp_) finder_->SetSpeed(options_.baud.value_or(session::SpeedFinder::kSpeeds.front()));
  if (!core_->port().Open()) return "port cannot be opened: " + host_.openFailure();
  finder_->LineOpened();
  return std::nullopt;
}

// Over TCP there is no speed, and a speed given on the command line is taken as it is: the first
// transfer tells whether anything answers there.
void Connection::FindSpeed(std::function<void(bool)> then) {
  if (overTcp_ || options_.baud) return then(true);
  finder_->Find(std::move(then));
}

std::size_t Connection::ProgressDone() const {
  if (!transfer_) return progressBefore_;
  return progressBefore_ + transfer_->size() - transfer_->Count(Answer::NotSent) -
         transfer_->Awaiting();
}

void Connection::Transfer(Direction direction, std::vector<transfer::TransferItem> items,
                          const transfer::TransferPolicy& policy, Then then, Answered answered) {
  if (ended_) return;
  if (items.empty()) return Later([then] { then({}); });
  progressBefore_ = ProgressDone();
  progressTotal_ += items.size();
  transfer::SettingsTransfer::Callbacks callbacks;
  callbacks.finished = [this, then, epoch = epoch_] {
    Later([this, then, epoch, results = SoFar()] {
      if (epoch == epoch_) then(results);
    });
  };
  if (answered) {
    callbacks.answered = [this, answered](std::optional<std::size_t> item, bool) {
      if (item) answered(*item, transfer_->result(*item));
    };
  }
  transfer_ = &core_->StartTransfer(direction, policy, std::move(items), std::move(callbacks));
}

void Connection::Read(const std::vector<SettingName>& names, Then then) {
  ReadWith(names, Policy(), std::move(then));
}

void Connection::ReadWith(const std::vector<SettingName>& names,
                          const transfer::TransferPolicy& policy, Then then) {
  std::vector<transfer::TransferItem> items;
  for (const auto& [section, name] : names) items.push_back({{section, name}});
  Transfer(Direction::Read, std::move(items), policy, std::move(then));
}

void Connection::ExpectCut(const transfer::ProfileSetting& row) {
  cutting_ = &row;
  reconnects_ = 0;
}

void Connection::WriteAlone(const transfer::ProfileSetting& row, Then then, Answered answered) {
  transfer::TransferPolicy alone = Policy();
  alone.inFlight = 1;
  std::vector<transfer::TransferItem> items{
      {{row.section, row.name}, [value = row.value] { return value; }}};
  Transfer(Direction::Write, std::move(items), alone, std::move(then), std::move(answered));
}

// After a setting that can cut the link: the receiver must still be heard, at the speed just
// written to it if need be, or over a new connection, or at last wherever a search finds it. A
// read of the setting confirms it, and so does any other frame heard meanwhile (a setting may be
// one the receiver never answers for): each look lasts long enough to hear a heartbeat.
void Connection::Confirm(const transfer::ProfileSetting& row,
                         std::function<void(AfterCut)> confirmed) {
  // A look overtaken (the port lost meanwhile) says nothing any more.
  const auto then = [this, confirmed, epoch = epoch_](AfterCut after) {
    if (epoch == epoch_) confirmed(after);
  };
  const transfer::SettingKey key{row.section, row.name};
  const auto told = [then](bool alive) { then(alive ? AfterCut::Answering : AfterCut::Silent); };
  const auto heard = [this, key](std::function<void(bool)> next) { finder_->Look(key, next); };
  const auto search = [this, heard, told, then](bool alive) {
    if (alive || overTcp_) return told(alive);
    finder_->Find([heard, told, then](bool found) {
      if (!found) return then(AfterCut::NotFound);
      heard(told);
    });
  };
  heard([this, row, heard, search, told](bool alive) {
    if (alive) return told(true);
    if (overTcp_) {
      Reconnect();
      return heard(told);
    }
    const auto baud = std::atoi(row.value.c_str());
    if (row.name == "baudrate" && baud > 0) {
      finder_->SetSpeed(baud);
      return heard(search);
    }
    search(false);
  });
}

// A new connection to the same address, the one before closed on purpose.
void Connection::Reconnect() {
  reconnecting_ = true;
  core_->port().Close();
  core_->port().Open();
  finder_->LineOpened();
  Later([this] { reconnecting_ = false; });
}

bool Connection::Reopen() {
  if (overTcp_) {
    Reconnect();
    return true;
  }
  reconnecting_ = true;
  core_->port().Close();
  finder_->SetSpeed(
      options_.baud.value_or(finder_->speed().value_or(session::SpeedFinder::kSpeeds.front())));
  const bool open = core_->port().Open();
  Later([this] { reconnecting_ = false; });
  if (open) finder_->LineOpened();
  return open;
}

void Connection::SendSave() {
  link::SendSettingsSave(core_->port());
}

void Connection::StopTransfer() {
  if (transfer_) transfer_->Stop();
}

Connection::Results Connection::SoFar() const {
  Results results;
  if (!transfer_) return results;
  for (std::size_t i = 0; i < transfer_->size(); ++i) results.push_back(transfer_->result(i));
  return results;
}

void Connection::After(std::chrono::milliseconds delay, Step step) {
  host_.post(delay, [this, step] {
    if (!ended_) step();
  });
}

void Connection::End() {
  if (ended_) return;
  ended_ = true;
  core_->End();
}

void Connection::PortFailed(const std::string& reason) {
  if (ended_ || reconnecting_) return;
  // A setting that can cut the link was just written: a dropped connection is its effect.
  if (overTcp_ && cutting_ && reconnects_ < kReconnects) {
    ++reconnects_;
    return Later([this] { Reconnect(); });
  }
  Loss loss;
  loss.reason = reason;
  loss.words = (watched_.bytes() == 0 ? "port cannot be opened: " : "port lost: ") + loss.reason;
  loss.cut = overTcp_ ? cutting_ : nullptr;
  lost_(loss);
}

std::string Connection::Diagnosis() const {
  if (!slow_) return watched_.Diagnosis();
  return "frames verified but answers slower than the time-out (--timeout " +
         std::to_string(BasePolicy(options_).timeout->count()) + " ms): try a longer --timeout";
}

std::string Connection::LostAfter(const transfer::ProfileSetting& row) const {
  const std::string written = row.section + "." + row.name + " = " + row.value;
  if (overTcp_ && MovesEndpoint(row)) {
    return "the receiver now answers elsewhere: " + written +
           " was accepted and it is no longer reachable at " + target_.spec.text +
           "; nothing was saved, so it goes back to its saved settings when restarted";
  }
  return "the receiver stopped answering after " + written + ": " + Diagnosis();
}

// Answers came, but not one request had its answer within its first time-out: the receiver
// (or the line) is slower than the tool waits, rather than silent.
bool Connection::AnswersTooSlow(const Results& results) const {
  bool late = false;
  for (const auto& result : results) {
    const bool answered = result.outcome == Answer::ValueRead ||
                          result.outcome == Answer::Accepted || result.outcome == Answer::Refused;
    if (answered && result.sends == 1) return false;
    late = late || !answered || result.sends > 1;
  }
  return late && watched_.answers() > 0;
}

bool Connection::NoteSlowAnswers(const Results& results) {
  if (!AnswersTooSlow(results)) return false;
  slow_ = true;
  return true;
}

bool Connection::NothingHeard(const Results& results) const {
  for (const auto& result : results) {
    if (result.outcome == Answer::ValueRead) return false;
  }
  return watched_.frames() == 0;
}

std::optional<std::int32_t> Connection::HeardSpeed() const {
  if (overTcp_ || watched_.frames() == 0) return std::nullopt;
  return finder_->speed();
}

}  // namespace orvane::ctl
