// SPDX-License-Identifier: Apache-2.0
#pragma once
// The window's session with a receiver: the link core, and on top of it the link watchdog, the
// baud-rate search, the read and the write, with the one presenter of what they report. Each of
// the four has a timer of its own; the core's engine makes one more only for a transfer started
// on it directly, which the window never does. Plain C++: the window supplies the fields, draws
// the status line and forwards the operator's clicks.

#include <cstdint>
#include <memory>

#include "platform/FormFields.h"
#include "platform/CommPort.h"
#include "platform/Timer.h"
#include "session/LinkCore.h"
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

class Session final {
 public:
  // Timers made, intervals set, the watchdog's timer running, the others stopped, every event
  // wired. Start must come next, before anything else.
  explicit Session(const SessionPlatform& platform);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Start-up: the port is set up (opened by the first watchdog tick), the status line red.
  void Start();
  // The run ends: every timer stops and the port closes; nothing is sent afterwards.
  void End();

  void OnReadClicked() { read_.OnClick(); }
  void OnWriteClicked() { write_.OnClick(); }
  // The Comm menu's port number (1..8).
  void ChoosePort(std::int16_t n) { watchdog_.ChoosePort(n); }

  LinkCore& core() { return core_; }
  StatusLine& status() { return presenter_.line(); }
  const StatusLine& status() const { return presenter_.line(); }
  const supervision::PortWatchdog& watchdog() const { return watchdog_; }
  const supervision::BaudSearch& search() const { return search_; }
  const WindowTransfer& reading() const { return read_; }
  const WindowTransfer& writing() const { return write_; }
  bool AnyTimerRunning() const;

 private:
  std::unique_ptr<platform::Timer> watchdogTimer_;
  std::unique_ptr<platform::Timer> searchTimer_;
  std::unique_ptr<platform::Timer> readTimer_;
  std::unique_ptr<platform::Timer> writeTimer_;
  LinkCore core_;
  StatusPresenter presenter_;
  supervision::BaudSearch search_;
  supervision::PortWatchdog watchdog_;
  WindowTransfer read_;
  WindowTransfer write_;
};

// The one assembly point: the program and the test rigs build sessions here.
std::unique_ptr<Session> MakeSession(const SessionPlatform& platform);

}  // namespace orvane::session
