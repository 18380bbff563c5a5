// SPDX-License-Identifier: Apache-2.0
#pragma once
// The simulated receiver's end of the serial line: a pseudo-terminal whose far end is reached
// through a stable symbolic link.
//
// The receiver keeps the far (slave) end open itself, without ever reading it: the terminal then
// survives the tool closing and re-opening the port, and its line settings can be read at any
// time. While nobody else holds the line it is parked at a speed the tool never uses, so the
// receiver can tell "nobody there" (the serial port restores the settings it found on close).

#include <sys/types.h>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace orvane::sim {

class Pty {
 public:
  Pty() = default;
  ~Pty() { Close(); }
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  // A fresh terminal, raw and parked, with link pointing at its far end.
  bool Open(const std::string& link, std::string& error);
  // Hangs the line up and removes the link, unless another program has taken it over.
  void Close();

  bool IsOpen() const { return master_ >= 0; }
  int fd() const { return master_; }
  const std::string& device() const { return device_; }

  // The speed the far end set, or 0 while the line is parked.
  int PeerBaud() const;

  // Non-blocking; -1 with errno as read(2) and write(2) leave it.
  ssize_t Read(std::span<std::uint8_t> into);
  ssize_t Write(std::span<const std::uint8_t> bytes);

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string device_;
  std::string link_;
};

}  // namespace orvane::sim
