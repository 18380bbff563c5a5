// SPDX-License-Identifier: Apache-2.0
#include "session/Session.h"

#include <chrono>

#include "transfer/BaseStation.h"

namespace orvane::session {

using namespace std::chrono_literals;

Session::Session(const SessionPlatform& platform, SessionUse use)
    : port_(platform.port),
      timers_(platform.timers),
      use_(use),
      watchdogTimer_(platform.timers()),
      searchTimer_(platform.timers()),
      readTimer_(platform.timers()),
      writeTimer_(platform.timers()),
      receiver_(*this),
      search_(port_, *searchTimer_, presenter_, receiver_),
      watchdog_(port_, presenter_, search_),
      read_(port_, *readTimer_, platform.fields, presenter_, transfer::BaseStationFields()),
      write_(port_, *writeTimer_, platform.fields, presenter_, transfer::BaseStationProfile()) {
  watchdogTimer_->SetInterval(1000ms);
  searchTimer_->SetInterval(2500ms);
  searchTimer_->Stop();
  watchdogTimer_->SetTickHandler([this] { watchdog_.OnWatchdogTick(); });
  searchTimer_->SetTickHandler([this] { search_.OnSearchTick(); });
  port_.SetBytesHandler([this](std::span<const std::uint8_t> bytes) { receiver_.Receive(bytes); });
  // Only framing errors tell a wrong speed; breaks, parity errors and overruns spoil a frame,
  // which its checksum catches.
  port_.SetLineErrorHandler([this](platform::LineError error) {
    if (error == platform::LineError::Framing) receiver_.CountFramingError();
  });
  if (use_ == SessionUse::Window) watchdogTimer_->Start();
}

// The port may outlive the session: leave no handler pointing at it.
Session::~Session() {
  port_.SetBytesHandler(nullptr);
  port_.SetLineErrorHandler(nullptr);
  for (platform::Timer* timer : {watchdogTimer_.get(), searchTimer_.get()}) {
    timer->Stop();
    timer->SetTickHandler(nullptr);
  }
}

void Session::Start() {
  if (use_ == SessionUse::Window) watchdog_.Start();
  receiver_.Restart();
}

void Session::End() {
  for (platform::Timer* timer :
       {watchdogTimer_.get(), searchTimer_.get(), readTimer_.get(), writeTimer_.get()}) {
    timer->Stop();
  }
  if (transfer_) transfer_->Stop();
  port_.Close();
}

transfer::SettingsTransfer& Session::StartTransfer(
    transfer::Direction direction, const transfer::TransferPolicy& policy,
    std::vector<transfer::TransferItem> items, transfer::SettingsTransfer::Callbacks callbacks) {
  transfer_.reset();
  if (!transferTimer_) transferTimer_ = timers_();
  transferDirection_ = direction;
  transfer_ = std::make_unique<transfer::SettingsTransfer>(direction, policy, port_,
                                                           *transferTimer_, std::move(callbacks));
  transfer_->Load(std::move(items));
  transfer_->Start();
  return *transfer_;
}

// A script's session leaves the window's transfers alone: answers are its own transfer's.
void Session::OnSettingReadResponse(std::span<const std::uint8_t> frame) {
  if (use_ == SessionUse::Window) read_.TakeAnswer(frame);
  if (transfer_ && transferDirection_ == transfer::Direction::Read) transfer_->TakeAnswer(frame);
}

void Session::OnSettingWriteResponse(std::span<const std::uint8_t> frame) {
  if (use_ == SessionUse::Window) write_.TakeAnswer(frame);
  if (transfer_ && transferDirection_ == transfer::Direction::Write) transfer_->TakeAnswer(frame);
}

bool Session::AnyTimerRunning() const {
  return watchdogTimer_->IsRunning() || searchTimer_->IsRunning() || readTimer_->IsRunning() ||
         writeTimer_->IsRunning() || (transferTimer_ && transferTimer_->IsRunning());
}

std::unique_ptr<Session> MakeSession(const SessionPlatform& platform, SessionUse use) {
  return std::make_unique<Session>(platform, use);
}

}  // namespace orvane::session
