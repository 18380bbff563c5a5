// SPDX-License-Identifier: Apache-2.0
#include "session/Session.h"

#include <chrono>

#include "transfer/BaseStation.h"

namespace orvane::session {

using namespace std::chrono_literals;

Session::Session(const SessionPlatform& platform)
    : watchdogTimer_(platform.timers()),
      searchTimer_(platform.timers()),
      readTimer_(platform.timers()),
      writeTimer_(platform.timers()),
      core_(platform.port, platform.timers),
      search_(core_.port(), *searchTimer_, presenter_, core_.receiver()),
      watchdog_(core_.port(), platform.port, presenter_, search_),
      read_(core_.port(), *readTimer_, platform.fields, presenter_, transfer::BaseStationFields()),
      write_(core_.port(), *writeTimer_, platform.fields, presenter_,
             transfer::BaseStationProfile()) {
  watchdogTimer_->SetInterval(1000ms);
  searchTimer_->SetInterval(2500ms);
  searchTimer_->Stop();
  watchdogTimer_->SetTickHandler([this] { watchdog_.OnWatchdogTick(); });
  searchTimer_->SetTickHandler([this] { search_.OnSearchTick(); });
  core_.SetListeners({
      .heartbeat = [this] { watchdog_.OnHeartbeat(); },
      .readAnswer = [this](const link::Setting& answer) { read_.TakeAnswer(answer); },
      .writeAnswer =
          [this](const link::WriteResponse& answer) {
            write_.TakeAnswer(answer.setting, answer.status);
          },
  });
  watchdogTimer_->Start();
}

Session::~Session() {
  for (platform::Timer* timer : {watchdogTimer_.get(), searchTimer_.get()}) {
    timer->Stop();
    timer->SetTickHandler(nullptr);
  }
}

void Session::Start() {
  watchdog_.Start();
  core_.Restart();
}

void Session::End() {
  for (platform::Timer* timer :
       {watchdogTimer_.get(), searchTimer_.get(), readTimer_.get(), writeTimer_.get()}) {
    timer->Stop();
  }
  core_.End();
}

bool Session::AnyTimerRunning() const {
  return watchdogTimer_->IsRunning() || searchTimer_->IsRunning() || readTimer_->IsRunning() ||
         writeTimer_->IsRunning() || core_.TransferRunning();
}

std::unique_ptr<Session> MakeSession(const SessionPlatform& platform) {
  return std::make_unique<Session>(platform);
}

}  // namespace orvane::session
