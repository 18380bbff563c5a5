// SPDX-License-Identifier: Apache-2.0
#include "PortJob.h"

#include <QTimer>

#include "platform/qt/QtTimer.h"

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

}  // namespace

PortJob::PortJob(const Options& options, const Target& target, std::function<void()> done)
    : options_(options),
      target_(target),
      done_(std::move(done)),
      overTcp_(target.spec.kind == PortSpec::Kind::Tcp),
      watched_(port_, target.device, options.verbose) {
  report_.port = target.device;
  port_.SetDevice(QByteArray::fromStdString(target.device));
  core_ = std::make_unique<session::LinkCore>(
      port_, [] { return std::make_unique<platform::qt::QtTimer>(); });
  core_->AddObserver(watched_);
  session::SpeedFinder::Owner owner;
  owner.setSpeed = [this](std::int32_t baud) {
    core_->port().SetLineSettings(platform::AtBaud(baud));
  };
  owner.read = [this](const transfer::SettingKey& key, const transfer::TransferPolicy& policy,
                      std::function<void(bool)> answered) {
    Read({{key.section, key.name}}, policy,
         [answered](Results results) { answered(results.front().outcome == Answer::ValueRead); });
  };
  finder_ = std::make_unique<session::SpeedFinder>(
      watched_, [] { return std::make_unique<platform::qt::QtTimer>(); }, std::move(owner),
      BasePolicy());
  connect(&port_, &platform::qt::QtCommPort::failed, this, &PortJob::OnPortFailed);
}

PortJob::~PortJob() {
  finder_.reset();
  core_.reset();
  port_.Close();
}

void PortJob::Start() {
  started_ = std::chrono::steady_clock::now();
  if (!Open()) return;
  FindSpeed([this] { RunCommand(); });
}

bool PortJob::Open() {
  if (!overTcp_) finder_->SetSpeed(options_.baud.value_or(session::SpeedFinder::kSpeeds.front()));
  if (core_->port().Open()) {
    finder_->LineOpened();
    return true;
  }
  Fail(ExitCode::NoReceiver, "port cannot be opened: " + port_.Diagnosis().toStdString());
  return false;
}

std::size_t PortJob::ProgressDone() const {
  if (!transfer_) return progressBefore_;
  return progressBefore_ + transfer_->size() - transfer_->Count(Answer::NotSent) -
         transfer_->Awaiting();
}

// The options' policy; the line's speed is the finder's to add.
transfer::TransferPolicy PortJob::BasePolicy() const {
  transfer::TransferPolicy policy;
  policy.inFlight = static_cast<std::size_t>(options_.policy.inFlight.value_or(4));
  policy.pacing = kPacing;
  policy.timeout = std::chrono::milliseconds(options_.policy.timeoutMs.value_or(500));
  policy.retries = options_.policy.retries.value_or(3);
  policy.repeatedKeysAreBarriers = true;
  return policy;
}

transfer::TransferPolicy PortJob::Policy() const {
  return finder_->Policy();
}

void PortJob::Transfer(Direction direction, std::vector<transfer::TransferItem> items,
                       const transfer::TransferPolicy& policy, Then then, Answered answered) {
  if (finished_) return;
  if (items.empty()) {
    Later([then] { then({}); });
    return;
  }
  progressBefore_ = ProgressDone();
  progressTotal_ += items.size();
  transfer::SettingsTransfer::Callbacks callbacks;
  callbacks.finished = [this, then] {
    Results results;
    results.reserve(transfer_->size());
    for (std::size_t i = 0; i < transfer_->size(); ++i) results.push_back(transfer_->result(i));
    Later([then, results = std::move(results)] { then(results); });
  };
  if (answered) {
    callbacks.answered = [this, answered](std::optional<std::size_t> item, bool) {
      if (item) answered(*item, transfer_->result(*item));
    };
  }
  transfer_ = &core_->StartTransfer(direction, policy, std::move(items), std::move(callbacks));
}

void PortJob::Read(const std::vector<SettingName>& names, const transfer::TransferPolicy& policy,
                   Then then) {
  std::vector<transfer::TransferItem> items;
  for (const auto& [section, name] : names) items.push_back({{section, name}});
  Transfer(Direction::Read, std::move(items), policy, std::move(then));
}

// Over TCP there is no speed, and a speed given on the command line is taken as it is: the first
// transfer tells whether anything answers there.
void PortJob::FindSpeed(Step then) {
  if (overTcp_ || options_.baud) {
    then();
    return;
  }
  finder_->Find([this, then](bool found) {
    if (!found) return Fail(ExitCode::NoReceiver, Diagnosis());
    then();
  });
}

// After a setting that can cut the link: the receiver must still be heard, at the speed just
// written to it if need be, or over a new connection, or at last wherever a search finds it. A
// read of the setting confirms it, and so does any other frame heard meanwhile (a setting may be
// one the receiver never answers for): each look lasts long enough to hear a heartbeat.
void PortJob::Confirm(const transfer::ProfileSetting& row, std::function<void(bool)> then) {
  const transfer::SettingKey key{row.section, row.name};
  const auto heard = [this, key](std::function<void(bool)> next) { finder_->Look(key, next); };
  const auto search = [this, heard, then](bool alive) {
    if (alive || overTcp_) return then(alive);
    finder_->Find([this, heard, then](bool found) {
      if (!found) return Fail(ExitCode::NoReceiver, Diagnosis());
      heard(then);
    });
  };
  heard([this, row, heard, search, then](bool alive) {
    if (alive) return then(true);
    if (overTcp_) {
      Reconnect();
      return heard(then);
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
void PortJob::Reconnect() {
  reconnecting_ = true;
  core_->port().Close();
  core_->port().Open();
  finder_->LineOpened();
  Later([this] { reconnecting_ = false; });
}

void PortJob::Later(Step step) {
  QTimer::singleShot(0, this, [this, step] {
    if (!finished_) step();
  });
}

void PortJob::OnPortFailed(const QString& reason) {
  if (finished_ || reconnecting_) return;
  const std::string why = reason.toStdString();
  if (saveSent_) {
    // Everything was written, verified and the save sent: the loss changes none of it.
    report_.diagnosis = "port lost after the save was sent: " + why;
    return Finish();
  }
  // A setting that can cut the link was just written: a dropped connection is its effect.
  if (overTcp_ && cutting_ && reconnects_ < kReconnects) {
    ++reconnects_;
    return Later([this] { Reconnect(); });
  }
  if (overTcp_ && cutting_) return Fail(ExitCode::NoReceiver, LostAfter(*cutting_));
  Fail(ExitCode::NoReceiver,
       watched_.bytes() == 0 ? "port cannot be opened: " + why : "port lost: " + why);
}

std::string PortJob::Diagnosis() const {
  if (!slow_) return watched_.Diagnosis();
  return "frames verified but answers slower than the time-out (--timeout " +
         std::to_string(BasePolicy().timeout->count()) + " ms): try a longer --timeout";
}

// Answers came, but not one request had its answer within its first time-out: the receiver
// (or the line) is slower than the tool waits, rather than silent.
bool PortJob::AnswersTooSlow(const Results& results) const {
  bool late = false;
  for (const auto& result : results) {
    const bool answered = result.outcome == Answer::ValueRead ||
                          result.outcome == Answer::Accepted || result.outcome == Answer::Refused;
    if (answered && result.sends == 1) return false;
    late = late || !answered || result.sends > 1;
  }
  return late && watched_.answers() > 0;
}

void PortJob::NoteSlowAnswers(const Results& results) {
  if (!AnswersTooSlow(results)) return;
  slow_ = true;
  report_.diagnosis = Diagnosis();
}

void PortJob::Fail(ExitCode code, std::string diagnosis) {
  if (finished_) return;
  SettleUnfinished();
  report_.exit = std::max(report_.exit, code);
  report_.diagnosis = std::move(diagnosis);
  Finish();
}

bool PortJob::NothingHeard(const Results& results) const {
  for (const auto& result : results) {
    if (result.outcome == Answer::ValueRead) return false;
  }
  return watched_.frames() == 0;
}

void PortJob::Finish() {
  if (finished_) return;
  finished_ = true;
  // A speed is reported only where a receiver was heard at it.
  report_.speed = overTcp_ || watched_.frames() == 0 ? std::nullopt : finder_->speed();
  report_.elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now() - started_)
                          .count();
  core_->End();
  QTimer::singleShot(0, this, [this] { done_(); });
}

}  // namespace orvane::ctl
