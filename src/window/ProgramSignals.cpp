// SPDX-License-Identifier: Apache-2.0
#include "window/ProgramSignals.h"

#include <QSocketNotifier>
#include <utility>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#endif

namespace orvane::window {

#ifdef Q_OS_UNIX

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT};
int wakeFds[2] = {-1, -1};  // [0] read by the event loop, [1] written by the handler

// Only async-signal-safe calls here: the byte wakes the event loop, which does the rest.
extern "C" void OnSignal(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const auto written = ::write(wakeFds[1], &byte, 1);
  errno = saved;
}

}  // namespace

EndOnSignals::EndOnSignals(std::function<void()> end, QObject* parent)
    : QObject(parent), end_(std::move(end)) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, wakeFds) != 0) return;
  notifier_ = new QSocketNotifier(wakeFds[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    char bytes[16];
    while (::read(wakeFds[0], bytes, sizeof bytes) > 0) {
    }
    if (end_) end_();
  });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : kSignals) ::sigaction(signal, &action, nullptr);
}

EndOnSignals::~EndOnSignals() {
  for (const int signal : kSignals) ::signal(signal, SIG_DFL);
  if (wakeFds[0] < 0) return;
  notifier_->setEnabled(false);  // before its descriptor closes
  for (int& fd : wakeFds) ::close(std::exchange(fd, -1));
}

#else

EndOnSignals::EndOnSignals(std::function<void()> end, QObject* parent)
    : QObject(parent), end_(std::move(end)) {}

EndOnSignals::~EndOnSignals() = default;

#endif

}  // namespace orvane::window
