#pragma once
// A pseudo-terminal standing in for the receiver's serial device. The test holds the master
// side; the port under test opens the slave through a fixed symlink, so that a new terminal can
// take the old one's place the way a re-plugged adapter comes back under the same name.

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <string>
#include <vector>

namespace orvane::testing {

class PtyDevice {
 public:
  // The serial port locks its device by file name, so each device gets a name of its own: tests
  // may run side by side.
  PtyDevice()
      : path_(dir_.filePath(QStringLiteral("ttyOrvane%1-%2").arg(::getpid()).arg(next_++))) {}
  ~PtyDevice() { Unplug(); }
  PtyDevice(const PtyDevice&) = delete;
  PtyDevice& operator=(const PtyDevice&) = delete;

  // The path the port opens: a symlink to the current slave.
  const QString& path() const { return path_; }

  // A fresh terminal behind the path. False when the system has no pseudo-terminals.
  bool Plug() {
    Unplug();
    int slave = -1;
    if (::openpty(&master_, &slave, nullptr, nullptr, nullptr) != 0) return false;
    char name[128] = {};
    const bool named = ::ttyname_r(slave, name, sizeof name) == 0;
    ::close(slave);  // the port under test opens its own
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    QFile::remove(path_);
    return named && QFile::link(QString::fromLocal8Bit(name), path_);
  }

  // The device goes away: the slave side is hung up.
  void Unplug() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }

  bool Write(const std::vector<std::uint8_t>& bytes) const {
    return ::write(master_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }

  // Whatever the port has sent so far; never blocks.
  std::vector<std::uint8_t> ReadAvailable() const {
    std::vector<std::uint8_t> out;
    std::uint8_t chunk[512];
    for (;;) {
      const ssize_t n = ::read(master_, chunk, sizeof chunk);
      if (n <= 0) break;
      out.insert(out.end(), chunk, chunk + n);
    }
    return out;
  }

  // The slave's line settings as the master side sees them.
  termios LineSettings() const {
    termios tio{};
    ::tcgetattr(master_, &tio);
    return tio;
  }

 private:
  static inline int next_ = 0;
  QTemporaryDir dir_;
  QString path_;
  int master_ = -1;
};

}  // namespace orvane::testing
