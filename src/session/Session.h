// SPDX-License-Identifier: Apache-2.0
#pragma once
// One session with a receiver: the frame receiver, the link watchdog, the baud-rate search, the
// read and the write, and the status line they share, on one port and four timers. Plain C++:
// the window (or any other front end) supplies the fields, draws the status line and forwards
// the operator's clicks.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "link/FrameReceiver.h"
#include "platform/Controls.h"
#include "platform/SerialLine.h"
#include "platform/Timer.h"
#include "session/StatusPresenter.h"
#include "session/WindowTransfers.h"
#include "supervision/BaudSearch.h"
#include "supervision/PortWatchdog.h"

namespace orvane::session {

// What a session runs on. The port and the fields must outlive the session.
struct SessionPlatform {
  platform::CommPort& port;
  platform::TimerFactory timers;
  platform::FormFields& fields;
};

// What a session is for. A window's session supervises its port: the watchdog opens and re-opens
// it and searches the receiver's speed. A script's session leaves the port to its owner (who
// opens it, sets its speed and closes it) and only runs the transfers it is asked for.
enum class SessionUse : std::uint8_t { Window, Script };

class Session final : private link::MessageHandlers {
 public:
  // Timers made, intervals set, the watchdog's timer running (a window's session), the others
  // stopped, every event wired. Start must come next, before anything else.
  explicit Session(const SessionPlatform& platform, SessionUse use = SessionUse::Window);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Start-up: the port is set up (opened by the first watchdog tick), the status line red.
  void Start();
  // The run ends: every timer stops and the port closes; nothing is sent afterwards.
  void End();
  // The owner moved the line to another speed (a script's session): nothing heard before can
  // finish a frame now.
  void LineChanged() { receiver_.Restart(); }

  // Reads or writes any list with its own policy on this session's link and timers (a
  // command-line tool's transfer), replacing the one started before. Answers of its kind reach it
  // as they reach the window's transfers.
  transfer::SettingsTransfer& StartTransfer(transfer::Direction direction,
                                            const transfer::TransferPolicy& policy,
                                            std::vector<transfer::TransferItem> items,
                                            transfer::SettingsTransfer::Callbacks callbacks);

  void OnReadClicked() { read_.OnClick(); }
  void OnWriteClicked() { write_.OnClick(); }
  // The Comm menu's port number (1..8).
  void ChoosePort(std::int16_t n) { watchdog_.ChoosePort(n); }

  StatusLine& status() { return presenter_.line(); }
  const StatusLine& status() const { return presenter_.line(); }
  const supervision::PortWatchdog& watchdog() const { return watchdog_; }
  const supervision::BaudSearch& search() const { return search_; }
  const WindowTransfer& reading() const { return read_; }
  const WindowTransfer& writing() const { return write_; }
  bool AnyTimerRunning() const;

 private:
  // A script's session has no watchdog at work: the status line is not its report.
  void OnHeartbeat() override {
    if (use_ == SessionUse::Window) watchdog_.OnHeartbeat();
  }
  void OnSettingReadResponse(std::span<const std::uint8_t> frame) override;
  void OnSettingWriteResponse(std::span<const std::uint8_t> frame) override;

  platform::CommPort& port_;
  platform::TimerFactory timers_;
  SessionUse use_;
  std::unique_ptr<platform::Timer> watchdogTimer_;
  std::unique_ptr<platform::Timer> searchTimer_;
  std::unique_ptr<platform::Timer> readTimer_;
  std::unique_ptr<platform::Timer> writeTimer_;
  StatusPresenter presenter_;
  link::FrameReceiver receiver_;
  supervision::BaudSearch search_;
  supervision::PortWatchdog watchdog_;
  WindowTransfer read_;
  WindowTransfer write_;
  std::unique_ptr<platform::Timer> transferTimer_;
  transfer::Direction transferDirection_ = transfer::Direction::Read;
  std::unique_ptr<transfer::SettingsTransfer> transfer_;
};

// The one assembly point: the program, the test rigs and the command-line tool build sessions
// here.
std::unique_ptr<Session> MakeSession(const SessionPlatform& platform,
                                     SessionUse use = SessionUse::Window);

}  // namespace orvane::session
