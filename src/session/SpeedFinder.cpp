// SPDX-License-Identifier: Apache-2.0
#include "session/SpeedFinder.h"

#include <algorithm>
#include <utility>

#include "platform/LineControl.h"

namespace orvane::session {

using namespace std::chrono_literals;

namespace {

// A long look: three tries of at least this long, a heartbeat's time.
constexpr std::chrono::milliseconds kLookTimeout{400};
constexpr int kLookRetries = 2;
// Long looks given to a line that keeps bringing bytes but no frame, after both passes.
constexpr int kLingerLooks = 3;
// A quick probe waits only for its frames to cross the line and this.
constexpr std::chrono::milliseconds kProbeSlack{100};
// A receiver's heartbeat: its period and its frame's length (header, four bytes of payload, CRC).
constexpr std::chrono::milliseconds kHeartbeatPeriod{1000};
constexpr std::int64_t kHeartbeatFrameBytes = 12;
// Time for the receiver's side and the operating system to pass the heartbeat on.
constexpr std::chrono::milliseconds kHeartbeatSlack{100};

}  // namespace

SpeedFinder::SpeedFinder(platform::LineDiagnosis& heard, const platform::TimerFactory& timers,
                         Owner owner, transfer::TransferPolicy base)
    : heard_(heard),
      owner_(std::move(owner)),
      base_(std::move(base)),
      period_(timers()),
      soon_(timers()) {
  period_->SetTickHandler([this] {
    period_->Stop();
    periodOver_ = true;
    EndListening();
  });
  soon_->SetInterval(0ms);
  soon_->SetTickHandler([this] {
    soon_->Stop();
    EndListening();
  });
}

SpeedFinder::~SpeedFinder() {
  heard_.SetDiagnosisObserver(nullptr);
}

void SpeedFinder::LineOpened() {
  RestartHeartbeatPeriod();
}

void SpeedFinder::SetSpeed(std::int32_t baud) {
  owner_.setSpeed(baud);
  speed_ = baud;
  RestartHeartbeatPeriod();
}

void SpeedFinder::RestartHeartbeatPeriod() {
  const std::int64_t lineMs = speed_ ? kHeartbeatFrameBytes * 10 * 1000 / *speed_ + 1 : 0;
  period_->Stop();
  period_->SetInterval(kHeartbeatPeriod + std::chrono::milliseconds(lineMs) + kHeartbeatSlack);
  period_->Start();
  periodOver_ = false;
}

transfer::TransferPolicy SpeedFinder::Policy() const {
  transfer::TransferPolicy policy = base_;
  policy.lineBaud = speed_.value_or(0);
  return policy;
}

transfer::TransferPolicy SpeedFinder::ProbePolicy(Wait wait) const {
  transfer::TransferPolicy policy = Policy();
  policy.inFlight = 1;
  policy.retries = wait == Wait::Long ? kLookRetries : 0;
  policy.timeout =
      wait == Wait::Long ? std::max(base_.timeout.value_or(0ms), kLookTimeout) : kProbeSlack;
  return policy;
}

void SpeedFinder::Find(std::function<void(bool found)> found) {
  Probe(Pass::Quick, 0, std::move(found));
}

void SpeedFinder::Probe(Pass pass, std::size_t step, std::function<void(bool)> found) {
  if (step == 0) passBytes_ = heard_.bytes();
  if (step == kSpeeds.size()) {
    if (pass == Pass::Quick && heard_.bytes() > 0) return Probe(Pass::Again, 0, std::move(found));
    if (pass == Pass::Again && heard_.bytes() > passBytes_) {
      return Linger(kLingerLooks, std::move(found));
    }
    found(false);
    return;
  }
  SetSpeed(kSpeeds[step]);
  const Wait wait = pass == Pass::Again && step == 0 ? Wait::Long : Wait::Quick;
  const std::uint64_t framesBefore = heard_.frames();
  owner_.read({kProbeSection, kProbeName}, ProbePolicy(wait),
              [this, pass, step, found, framesBefore](bool answered) {
                if (answered || heard_.frames() > framesBefore) return found(true);
                Probe(pass, step + 1, found);
              });
}

void SpeedFinder::Linger(int looks, std::function<void(bool)> found) {
  SetSpeed(kSpeeds.front());
  const std::uint64_t bytesBefore = heard_.bytes();
  Look({kProbeSection, kProbeName}, [this, looks, found, bytesBefore](bool heard) {
    if (heard) return found(true);
    if (looks > 1 && heard_.bytes() > bytesBefore) return Linger(looks - 1, found);
    found(false);
  });
}

void SpeedFinder::Look(const transfer::SettingKey& key, std::function<void(bool heard)> heard) {
  const std::uint64_t framesBefore = heard_.frames();
  owner_.read(key, ProbePolicy(Wait::Long), [this, heard, framesBefore](bool answered) {
    heard(answered || heard_.frames() > framesBefore);
  });
}

void SpeedFinder::ListenForHeartbeat(std::function<void()> done) {
  listening_ = std::move(done);
  // A heartbeat is told of from inside the frame receiver: the tick that ends the wait comes
  // after it.
  heard_.SetDiagnosisObserver([this] {
    if (heard_.heartbeats() > 0) soon_->Start();
  });
  if (heard_.heartbeats() > 0 || periodOver_) soon_->Start();
}

void SpeedFinder::EndListening() {
  if (!listening_) return;
  heard_.SetDiagnosisObserver(nullptr);
  soon_->Stop();
  std::exchange(listening_, nullptr)();
}

}  // namespace orvane::session
