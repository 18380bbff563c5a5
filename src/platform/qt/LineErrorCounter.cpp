#include "platform/qt/LineErrorCounter.h"

#include <QSerialPort>

#if defined(Q_OS_LINUX)
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <termios.h>
#elif defined(Q_OS_WIN)
#include <qt_windows.h>
#endif

namespace orvane::platform::qt {

#if defined(Q_OS_LINUX)

namespace {

// The sum of the kernel's framing, break and parity counters; nullopt-like false when the
// driver keeps none (ENOTTY/EINVAL on pseudo-terminals and some USB adapters).
bool ReadCounters(int fd, std::uint32_t& total) {
  serial_icounter_struct counters{};
  if (::ioctl(fd, TIOCGICOUNT, &counters) != 0) return false;
  // The kernel's counters are ints that wrap; unsigned arithmetic keeps the differences right.
  total = static_cast<std::uint32_t>(counters.frame) + static_cast<std::uint32_t>(counters.brk) +
          static_cast<std::uint32_t>(counters.parity);
  return true;
}

}  // namespace

bool LineErrorCounter::Begin(QSerialPort& port) {
  counting_ = false;
  const int fd = static_cast<int>(port.handle());
  if (fd < 0) return false;
  // Qt clears INPCK on open, and some adapters count parity and framing errors only with it.
  // IGNPAR drops the spoiled bytes instead of passing them on as NULs or marked sequences.
  termios tio{};
  if (::tcgetattr(fd, &tio) == 0) {
    tio.c_iflag |= INPCK | IGNPAR;
    tio.c_iflag &= ~static_cast<tcflag_t>(PARMRK);
    ::tcsetattr(fd, TCSANOW, &tio);
  }
  counting_ = ReadCounters(fd, baseline_);
  return counting_;
}

std::uint32_t LineErrorCounter::TakeNew(QSerialPort& port) {
  if (!counting_) return 0;
  std::uint32_t total = 0;
  if (!ReadCounters(static_cast<int>(port.handle()), total)) return 0;
  const std::uint32_t fresh = total - baseline_;
  baseline_ = total;
  return fresh;
}

#elif defined(Q_OS_WIN)

namespace {

constexpr DWORD kCountedErrors = CE_FRAME | CE_BREAK | CE_RXPARITY;

// ClearCommError reports (and clears) flags, not counts: each flag set counts once.
bool TakeFlags(QSerialPort& port, std::uint32_t& count) {
  DWORD errors = 0;
  if (!::ClearCommError(port.handle(), &errors, nullptr)) return false;
  errors &= kCountedErrors;
  count = 0;
  for (; errors != 0; errors &= errors - 1) ++count;
  return true;
}

}  // namespace

bool LineErrorCounter::Begin(QSerialPort& port) {
  std::uint32_t stale = 0;  // whatever was flagged before now is not counted
  counting_ = port.handle() != INVALID_HANDLE_VALUE && TakeFlags(port, stale);
  return counting_;
}

std::uint32_t LineErrorCounter::TakeNew(QSerialPort& port) {
  std::uint32_t count = 0;
  if (!counting_ || !TakeFlags(port, count)) return 0;
  return count;
}

#else

bool LineErrorCounter::Begin(QSerialPort&) {
  counting_ = false;
  return false;
}

std::uint32_t LineErrorCounter::TakeNew(QSerialPort&) {
  return 0;
}

#endif

}  // namespace orvane::platform::qt
