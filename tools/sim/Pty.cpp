// SPDX-License-Identifier: Apache-2.0
#include "Pty.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace orvane::sim {

namespace {

constexpr speed_t kParked = B50;

constexpr std::array<std::pair<speed_t, int>, 10> kSpeeds{{
    {kParked, 0},
    {B1200, 1200},
    {B2400, 2400},
    {B4800, 4800},
    {B9600, 9600},
    {B19200, 19200},
    {B38400, 38400},
    {B57600, 57600},
    {B115200, 115200},
    {B230400, 230400},
}};

std::string Why(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

// Points link at target by renaming a fresh link over it, so the path never dangles half-made.
bool PlaceLink(const std::string& target, const std::string& link, std::string& error) {
  struct stat info {};
  if (::lstat(link.c_str(), &info) == 0 && !S_ISLNK(info.st_mode)) {
    error = link + " exists and is not a symbolic link; not replacing it";
    return false;
  }
  const std::string temporary = link + ".new" + std::to_string(::getpid());
  ::unlink(temporary.c_str());
  if (::symlink(target.c_str(), temporary.c_str()) != 0) {
    error = Why("cannot make the link " + temporary);
    return false;
  }
  if (std::rename(temporary.c_str(), link.c_str()) != 0) {
    error = Why("cannot place the link " + link);
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace

bool Pty::Open(const std::string& link, std::string& error) {
  Close();
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master_ < 0) {
    error = Why("cannot open a pseudo-terminal");
    return false;
  }
  const char* name = nullptr;
  if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
      (name = ::ptsname(master_)) == nullptr) {
    error = Why("cannot unlock the pseudo-terminal");
    Close();
    return false;
  }
  device_ = name;
  slave_ = ::open(device_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  termios line{};
  if (slave_ < 0 || ::tcgetattr(slave_, &line) != 0) {
    error = Why("cannot open " + device_);
    Close();
    return false;
  }
  ::cfmakeraw(&line);  // no echo and no line editing before the tool sets the line up
  ::cfsetispeed(&line, kParked);
  ::cfsetospeed(&line, kParked);
  if (::tcsetattr(slave_, TCSANOW, &line) != 0) {
    error = Why("cannot set up " + device_);
    Close();
    return false;
  }
  if (!PlaceLink(device_, link, error)) {
    Close();
    return false;
  }
  link_ = link;
  return true;
}

void Pty::Close() {
  if (!link_.empty()) {
    std::array<char, 4096> target{};
    const ssize_t n = ::readlink(link_.c_str(), target.data(), target.size() - 1);
    if (n > 0 && device_ == std::string(target.data(), static_cast<std::size_t>(n))) {
      ::unlink(link_.c_str());
    }
    link_.clear();
  }
  if (slave_ >= 0) ::close(std::exchange(slave_, -1));
  if (master_ >= 0) ::close(std::exchange(master_, -1));
  device_.clear();
}

int Pty::PeerBaud() const {
  termios line{};
  if (slave_ < 0 || ::tcgetattr(slave_, &line) != 0) return 0;
  const speed_t speed = ::cfgetospeed(&line);
  for (const auto& [code, baud] : kSpeeds) {
    if (code == speed) return baud;
  }
  return -1;  // a speed the receiver never runs at: it hears only noise
}

ssize_t Pty::Read(std::span<std::uint8_t> into) {
  return ::read(master_, into.data(), into.size());
}

ssize_t Pty::Write(std::span<const std::uint8_t> bytes) {
  return ::write(master_, bytes.data(), bytes.size());
}

}  // namespace orvane::sim
