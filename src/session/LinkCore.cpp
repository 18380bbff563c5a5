// SPDX-License-Identifier: Apache-2.0
#include "session/LinkCore.h"

#include <utility>

namespace orvane::session {

LinkCore::LinkCore(platform::CommPort& port, platform::TimerFactory timers)
    : port_(port), timers_(std::move(timers)), receiver_(*this) {
  port_.SetBytesHandler([this](std::span<const std::uint8_t> bytes) { receiver_.Receive(bytes); });
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

transfer::SettingsTransfer& LinkCore::StartTransfer(
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

void LinkCore::End() {
  if (transfer_) transfer_->Stop();
  port_.Close();
}

void LinkCore::OnHeartbeat() {
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
