// SPDX-License-Identifier: Apache-2.0
#include "Interrupts.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>

namespace orvane::ctl {

namespace {

volatile std::sig_atomic_t received = 0;
int pipeEnds[2] = {-1, -1};

void OnSignal(int signal) {
  if (received != 0) ::_exit(128 + signal);
  received = signal;
  const char byte = 1;
  [[maybe_unused]] const auto written = ::write(pipeEnds[1], &byte, 1);
}

}  // namespace

void InstallInterruptHandlers() {
  if (pipeEnds[0] >= 0 || ::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

int InterruptPipe() {
  return pipeEnds[0];
}

int InterruptSignal() {
  return received;
}

}  // namespace orvane::ctl
