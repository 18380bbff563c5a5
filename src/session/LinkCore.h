// SPDX-License-Identifier: Apache-2.0
#pragma once
// The link core: one port, the one frame receiver its bytes go through, the dispatch of each
// verified message (taken apart once) and the transfer engine. Plain C++. It never opens the port,
// moves its speed or shows anything: that is its owner's. orvanectl runs on it as it stands; the
// window's session adds its supervision and its two transfers on top.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "link/FrameReceiver.h"
#include "link/SettingsMessages.h"
#include "platform/SerialLine.h"
#include "platform/Timer.h"
#include "transfer/SettingsTransfer.h"

namespace orvane::session {

class LinkCore final : private link::MessageHandlers {
 public:
  // Who else hears the messages, besides the engine's transfer: each is told before the engine.
  struct Listeners {
    std::function<void()> heartbeat = nullptr;
    std::function<void(const link::Setting&)> readAnswer = nullptr;
    std::function<void(const link::WriteResponse&)> writeAnswer = nullptr;
  };

  // The port must outlive the core.
  LinkCore(platform::CommPort& port, platform::TimerFactory timers);
  ~LinkCore();
  LinkCore(const LinkCore&) = delete;
  LinkCore& operator=(const LinkCore&) = delete;

  void SetListeners(Listeners listeners) { listeners_ = std::move(listeners); }

  // The line changed under the frame receiver (a new speed, a reopened port, a reconnect):
  // nothing heard before can finish a frame now.
  void LineChanged() { receiver_.Restart(); }

  // Reads or writes any list with its own policy, replacing the transfer started before.
  transfer::SettingsTransfer& StartTransfer(transfer::Direction direction,
                                            const transfer::TransferPolicy& policy,
                                            std::vector<transfer::TransferItem> items,
                                            transfer::SettingsTransfer::Callbacks callbacks);
  bool TransferRunning() const { return transferTimer_ && transferTimer_->IsRunning(); }

  // The transfer stops and the port closes; nothing is sent afterwards.
  void End();

  platform::CommPort& port() { return port_; }
  link::FrameReceiver& receiver() { return receiver_; }

 private:
  void OnHeartbeat() override;
  void OnSettingReadResponse(std::span<const std::uint8_t> frame) override;
  void OnSettingWriteResponse(std::span<const std::uint8_t> frame) override;

  platform::CommPort& port_;
  platform::TimerFactory timers_;
  link::FrameReceiver receiver_;
  Listeners listeners_;
  std::unique_ptr<platform::Timer> transferTimer_;
  transfer::Direction transferDirection_ = transfer::Direction::Read;
  std::unique_ptr<transfer::SettingsTransfer> transfer_;
};

}  // namespace orvane::session
