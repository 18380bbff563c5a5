// SPDX-License-Identifier: Apache-2.0
#pragma once
// A pseudo-terminal whose master side plays the device for the real serial port, which opens
// the terminal by its own name. The master side never blocks: a test polls it.

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <string>
#include <utility>

namespace orvane::testing {

class PseudoTerminal {
 public:
  PseudoTerminal() = default;
  ~PseudoTerminal() { Close(); }
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  // A new terminal in place of any before; false when the system has none to give.
  bool Open() {
    Close();
    int slave = -1;
    char name[128] = {};
    if (::openpty(&master_, &slave, nullptr, nullptr, nullptr) != 0) return false;
    const bool named = ::ttyname_r(slave, name, sizeof name) == 0;
    ::close(slave);  // the port opens its own
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    name_ = named ? name : "";
    return named;
  }
  // The device goes: the line hangs up.
  void Close() {
    if (master_ >= 0) ::close(std::exchange(master_, -1));
  }

  int master() const { return master_; }
  const std::string& name() const { return name_; }

 private:
  int master_ = -1;
  std::string name_;
};

}  // namespace orvane::testing
