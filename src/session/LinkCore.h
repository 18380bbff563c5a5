// SPDX-License-Identifier: Apache-2.0
#pragma once
// The link core: one port, the one frame receiver its bytes go through, the dispatch of each
// verified message (taken apart once) and the transfer engine. Plain C++. Its owner opens the
// port, moves its speed and shows what happened; orvanectl runs on the core as it stands, the
// window's session adds its supervision and its two transfers on top.
//
// The bytes of a port are framed here once. Observers (a link trace, a line diagnosis) are told
// of every byte received, frame sent and frame verified, and of each change of the line: a new
// speed, which also restarts the frame receiver, or a reopened port. Everything on top sends and
// moves the line through port(), so nothing crosses the port unseen.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "link/FrameReceiver.h"
#include "link/SettingsMessages.h"
#include "platform/LineObserver.h"
#include "platform/LineControl.h"
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
  LinkCore(platform::LinePort& port, platform::TimerFactory timers);
  ~LinkCore();
  LinkCore(const LinkCore&) = delete;
  LinkCore& operator=(const LinkCore&) = delete;

  void SetListeners(Listeners listeners) { listeners_ = std::move(listeners); }
  // observer must outlive the core, or be removed first.
  void AddObserver(platform::LineObserver& observer) { observers_.push_back(&observer); }
  void RemoveObserver(const platform::LineObserver& observer);

  // Start-up: hunt afresh, as after a change of speed.
  void Restart() { receiver_.Restart(); }

  // Reads or writes any list with its own policy, replacing the transfer started before.
  transfer::SettingsTransfer& StartTransfer(transfer::Direction direction,
                                            const transfer::TransferPolicy& policy,
                                            std::vector<transfer::TransferItem> items,
                                            transfer::SettingsTransfer::Callbacks callbacks);
  bool TransferRunning() const { return transferTimer_ && transferTimer_->IsRunning(); }

  // The transfer stops and the port closes; nothing is sent afterwards.
  void End();

  // The port, as everything on top must use it.
  platform::LinePort& port() { return watched_; }
  const link::FrameReceiver& receiver() const { return receiver_; }

 private:
  // The port passed through, telling the core what goes out and when the line changes.
  class ObservedPort final : public platform::LinePort {
   public:
    ObservedPort(LinkCore& core, platform::LinePort& port) : core_(core), port_(port) {}
    bool SetLineSettings(const platform::LineSettings& settings) override;
    platform::LineSettings lineSettings() const override { return port_.lineSettings(); }
    bool HasLineSpeed() const override { return port_.HasLineSpeed(); }
    bool CanReportLineErrors() const override { return port_.CanReportLineErrors(); }
    bool Open() override;
    void Close() override { port_.Close(); }
    bool IsOpen() const override { return port_.IsOpen(); }
    void Output(std::span<const std::uint8_t> frame) override;

   private:
    LinkCore& core_;
    platform::LinePort& port_;
  };

  template <typename Call>
  void Tell(Call call) {
    for (platform::LineObserver* observer : observers_) call(*observer);
  }

  void OnHeartbeat() override;
  void OnSettingReadResponse(std::span<const std::uint8_t> frame) override;
  void OnSettingWriteResponse(std::span<const std::uint8_t> frame) override;

  platform::LinePort& port_;
  ObservedPort watched_{*this, port_};
  std::vector<platform::LineObserver*> observers_;
  platform::TimerFactory timers_;
  link::FrameReceiver receiver_;
  Listeners listeners_;
  std::unique_ptr<platform::Timer> transferTimer_;
  transfer::Direction transferDirection_ = transfer::Direction::Read;
  std::unique_ptr<transfer::SettingsTransfer> transfer_;
};

}  // namespace orvane::session
