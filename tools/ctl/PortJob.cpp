// SPDX-License-Identifier: Apache-2.0
#include "PortJob.h"

#include <QTimer>
#include <array>

#include "platform/qt/QtTimer.h"

namespace orvane::ctl {

using namespace std::chrono_literals;
using transfer::Direction;
using Answer = transfer::Outcome;

namespace {

// The speed a receiver usually runs at first, then the others from the fastest down.
constexpr std::array<std::int32_t, 8> kSpeeds{19200, 115200, 57600, 38400, 9600, 4800, 2400, 1200};
// A setting every receiver has, asked for at each speed tried.
const SettingName kProbeSetting{"uart1", "baudrate"};
// A long look: three tries of at least this long, a heartbeat's time.
constexpr std::chrono::milliseconds kLookTimeout{400};
constexpr int kLookRetries = 2;
// A quick probe waits only for its frames to cross the line and this.
constexpr auto kProbeSlack = 100ms;
// Requests leave one per pacing tick; the time-out, not the pace, sets how long a run takes.
constexpr auto kPacing = 5ms;

}  // namespace

PortJob::PortJob(const Options& options, const Target& target, std::function<void()> done)
    : options_(options),
      target_(target),
      done_(std::move(done)),
      overTcp_(target.spec.kind == PortSpec::Kind::Tcp),
      watched_(port_, target.device, options.verbose) {
  report_.port = target.device;
  port_.SetDevice(QByteArray::fromStdString(target.device));
  session::SessionPlatform platform{
      watched_, [] { return std::make_unique<platform::qt::QtTimer>(); }, fields_};
  session_ = session::MakeSession(platform, session::SessionUse::Script);
  connect(&port_, &platform::qt::QtCommPort::failed, this, &PortJob::OnPortFailed);
}

PortJob::~PortJob() {
  session_.reset();
  port_.Close();
}

void PortJob::Start() {
  started_ = std::chrono::steady_clock::now();
  session_->Start();
  if (!Open()) return;
  FindSpeed([this] { RunCommand(); });
}

bool PortJob::Open() {
  if (!overTcp_) SetSpeed(options_.baud.value_or(kSpeeds.front()));
  lineSince_ = std::chrono::steady_clock::now();
  if (watched_.Open()) return true;
  Fail(ExitCode::NoReceiver, "port cannot be opened: " + port_.Diagnosis().toStdString());
  return false;
}

void PortJob::SetSpeed(std::int32_t baud) {
  watched_.SetLineSettings(platform::AtBaud(baud));
  session_->LineChanged();
  speed_ = baud;
  lineSince_ = std::chrono::steady_clock::now();
}

std::size_t PortJob::ProgressDone() const {
  if (!transfer_) return progressBefore_;
  return progressBefore_ + transfer_->size() - transfer_->Count(Answer::NotSent) -
         transfer_->Awaiting();
}

transfer::TransferPolicy PortJob::Policy() const {
  transfer::TransferPolicy policy;
  policy.inFlight = static_cast<std::size_t>(options_.policy.inFlight.value_or(4));
  policy.pacing = kPacing;
  policy.timeout = std::chrono::milliseconds(options_.policy.timeoutMs.value_or(500));
  policy.retries = options_.policy.retries.value_or(3);
  policy.lineBaud = overTcp_ ? 0 : speed_.value_or(0);
  policy.repeatedKeysAreBarriers = true;
  return policy;
}

// One request. A quick probe gets no retry and only the slack; a long look lasts long enough to
// hear a heartbeat as well (a receiver sends one a second), so that a lost frame or a setting the
// receiver does not answer for cannot make it miss a receiver that is there.
transfer::TransferPolicy PortJob::ProbePolicy(Look look) const {
  transfer::TransferPolicy policy = Policy();
  policy.inFlight = 1;
  policy.retries = look == Look::Long ? kLookRetries : 0;
  policy.timeout = look == Look::Long
                       ? std::max(*policy.timeout, kLookTimeout)
                       : std::chrono::duration_cast<std::chrono::milliseconds>(kProbeSlack);
  return policy;
}

void PortJob::Transfer(Direction direction, std::vector<transfer::TransferItem> items,
                       const transfer::TransferPolicy& policy, Then then) {
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
    for (std::size_t i = 0; i < transfer_->size(); ++i) results.push_back(transfer_->result(i));
    Later([then, results] { then(results); });
  };
  transfer_ = &session_->StartTransfer(direction, policy, std::move(items), std::move(callbacks));
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
  Probe(Pass::Quick, 0, std::move(then));
}

// A speed is found by an answer to the probe or any other frame heard meanwhile (a heartbeat is
// taken when it comes, never waited for). The quick pass asks once at each speed. Only when it
// heard bytes but no frame, so that something is there, does a second pass look again, the
// usual speed for a heartbeat's time: a lost frame, or a receiver that does not answer for the
// probed setting, then costs time instead of the receiver.
void PortJob::Probe(Pass pass, std::size_t step, Step then) {
  if (step == kSpeeds.size()) {
    if (pass == Pass::Quick && watched_.bytes() > 0) return Probe(Pass::Again, 0, std::move(then));
    Fail(ExitCode::NoReceiver, watched_.Diagnosis());
    return;
  }
  SetSpeed(kSpeeds[step]);
  const Look look = pass == Pass::Again && step == 0 ? Look::Long : Look::Quick;
  const std::uint64_t framesBefore = watched_.frames();
  Read({kProbeSetting}, ProbePolicy(look), [this, pass, step, then, framesBefore](Results results) {
    const bool heard = results.front().outcome == Answer::ValueRead;
    if (heard || watched_.frames() > framesBefore) {
      then();
    } else {
      Probe(pass, step + 1, then);
    }
  });
}

// After a setting that can cut the link: the receiver must still be heard, at the speed just
// written to it if need be, or over a new connection, or at last wherever a search finds it. A
// read of the setting confirms it, and so does any other frame heard meanwhile (a setting may be
// one the receiver never answers for): each look lasts long enough to hear a heartbeat.
void PortJob::Confirm(const transfer::ProfileSetting& row, std::function<void(bool)> then) {
  const SettingName name{row.section, row.name};
  const auto heard = [this, name](std::function<void(bool)> next) {
    const std::uint64_t framesBefore = watched_.frames();
    Read({name}, ProbePolicy(Look::Long), [this, framesBefore, next](Results results) {
      next(results.front().outcome == Answer::ValueRead || watched_.frames() > framesBefore);
    });
  };
  const auto search = [this, heard, then](bool alive) {
    if (alive || overTcp_) return then(alive);
    Probe(Pass::Quick, 0, [heard, then] { heard(then); });
  };
  heard([this, row, heard, search, then](bool alive) {
    if (alive) return then(true);
    if (overTcp_) {
      reconnecting_ = true;
      watched_.Close();
      watched_.Open();
      Later([this] { reconnecting_ = false; });
      return heard(then);
    }
    const auto baud = std::atoi(row.value.c_str());
    if (row.name == "baudrate" && baud > 0) {
      SetSpeed(baud);
      return heard(search);
    }
    search(false);
  });
}

void PortJob::Later(Step step) {
  QTimer::singleShot(0, this, [this, step] {
    if (!finished_) step();
  });
}

void PortJob::OnPortFailed(const QString& reason) {
  if (finished_ || reconnecting_) return;
  const std::string why = reason.toStdString();
  Fail(ExitCode::NoReceiver,
       watched_.bytes() == 0 ? "port cannot be opened: " + why : "port lost: " + why);
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
  report_.speed = overTcp_ || watched_.frames() == 0 ? std::nullopt : speed_;
  report_.elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now() - started_)
                          .count();
  session_->End();
  QTimer::singleShot(0, this, [this] { done_(); });
}

}  // namespace orvane::ctl
