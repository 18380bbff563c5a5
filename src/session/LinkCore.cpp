// SPDX-License-Identifier: Apache-2.0
#include "session/LinkCore.h"

#include <utility>
#include <vector>

namespace orvane::session {

LinkCore::LinkCore(platform::LinePort& port, platform::TimerFactory timers)
    : port_(port), timers_(std::move(timers)), receiver_(*this) {
  receiver_.SetFrameObserver([this](std::span<const std::uint8_t> frame) {
    Tell([frame](platform::LineObserver& observer) { observer.OnFrameReceived(frame); });
  });
  port_.SetBytesHandler([this](std::span<const std::uint8_t> bytes) {
    Tell([bytes](platform::LineObserver& observer) { observer.OnBytesReceived(bytes); });
    receiver_.Receive(bytes);
  });
  // Only framing errors tell a wrong speed; breaks, parity errors and overruns spoil a frame,
  // which its checksum catches.
  port_.SetLineErrorHandler([this](platform::LineError error) {
    if (error == platform::LineError::Framing) receiver_.CountFramingError();
  });
}

// The port may outlive the core: leave no handler pointing at it.
LinkCore::~LinkCore() {
  port_.SetBytesHandler(nullptr);
  port_.SetLineErrorHandler(nullptr);
}

void LinkCore::RemoveObserver(const platform::LineObserver& observer) {
  std::erase(observers_, &observer);
}

bool LinkCore::ObservedPort::SetLineSettings(const platform::LineSettings& settings) {
  const bool set = port_.SetLineSettings(settings);
  // Nothing heard at the old speed can finish a frame at the new one.
  core_.receiver_.Restart();
  core_.Tell([](platform::LineObserver& o) { o.OnLineChanged(platform::LineChange::Speed); });
  return set;
}

bool LinkCore::ObservedPort::Open() {
  if (port_.IsOpen()) return true;
  if (!port_.Open()) return false;
  core_.Tell([](platform::LineObserver& o) { o.OnLineChanged(platform::LineChange::Reopened); });
  return true;
}

void LinkCore::ObservedPort::Output(std::span<const std::uint8_t> frame) {
  // A frame on a closed port goes nowhere and is not seen as sent.
  if (port_.IsOpen()) {
    core_.Tell([frame](platform::LineObserver& observer) { observer.OnFrameSent(frame); });
  }
  port_.Output(frame);
}

transfer::SettingsTransfer& LinkCore::StartTransfer(
    transfer::Direction direction, const transfer::TransferPolicy& policy,
    std::vector<transfer::TransferItem> items, transfer::SettingsTransfer::Callbacks callbacks) {
  transfer_.reset();
  if (!transferTimer_) transferTimer_ = timers_();
  transferDirection_ = direction;
  transfer_ = std::make_unique<transfer::SettingsTransfer>(direction, policy, watched_,
                                                           *transferTimer_, std::move(callbacks));
  transfer_->Load(std::move(items));
  transfer_->Start();
  return *transfer_;
}

void LinkCore::End() {
  if (transfer_) transfer_->Stop();
  watched_.Close();
}

void LinkCore::OnHeartbeat() {
  Tell([](platform::LineObserver& observer) { observer.OnHeartbeat(); });
  if (listeners_.heartbeat) listeners_.heartbeat();
}

void LinkCore::OnSettingReadResponse(std::span<const std::uint8_t> frame) {
  const link::Setting answer = link::ParseReadResponse(frame);
  if (listeners_.readAnswer) listeners_.readAnswer(answer);
  if (transfer_ && transferDirection_ == transfer::Direction::Read) transfer_->TakeAnswer(answer);
}

void LinkCore::OnSettingWriteResponse(std::span<const std::uint8_t> frame) {
  const link::WriteResponse answer = link::ParseWriteResponse(frame);
  if (listeners_.writeAnswer) listeners_.writeAnswer(answer);
  if (transfer_ && transferDirection_ == transfer::Direction::Write) {
    transfer_->TakeAnswer(answer.setting, answer.status);
  }
}

}  // namespace orvane::session
