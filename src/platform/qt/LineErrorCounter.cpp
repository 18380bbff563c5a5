// SPDX-License-Identifier: Apache-2.0
#include "platform/qt/LineErrorCounter.h"

#include <algorithm>

#if defined(Q_OS_LINUX)
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <termios.h>
#elif defined(Q_OS_WIN)
#include <qt_windows.h>
#endif

namespace orvane::platform::qt {

namespace {

#if defined(Q_OS_LINUX)

class KernelCounts final : public LineCountSource {
 public:
  void Prepare(qintptr handle) override {
    const int fd = static_cast<int>(handle);
    // Qt clears INPCK on open, and some adapters count parity and framing errors only with it.
    // IGNPAR drops the spoiled bytes instead of passing them on as NULs or marked sequences.
    termios tio{};
    if (::tcgetattr(fd, &tio) == 0) {
      tio.c_iflag |= INPCK | IGNPAR;
      tio.c_iflag &= ~static_cast<tcflag_t>(PARMRK);
      ::tcsetattr(fd, TCSANOW, &tio);
    }
  }
  // ENOTTY or EINVAL on pseudo-terminals and adapters whose driver keeps no counters.
  std::optional<LineCounts> Read(qintptr handle) override {
    serial_icounter_struct counters{};
    if (::ioctl(static_cast<int>(handle), TIOCGICOUNT, &counters) != 0) return std::nullopt;
    return LineCounts{
        static_cast<std::uint32_t>(counters.frame), static_cast<std::uint32_t>(counters.brk),
        static_cast<std::uint32_t>(counters.parity), static_cast<std::uint32_t>(counters.overrun)};
  }
};

#elif defined(Q_OS_WIN)

// ClearCommError reports (and clears) flags, not counts: each flag seen adds one to its total.
class CommErrorFlags final : public LineCountSource {
 public:
  void Prepare(qintptr) override {}
  std::optional<LineCounts> Read(qintptr handle) override {
    DWORD errors = 0;
    if (!::ClearCommError(reinterpret_cast<HANDLE>(handle), &errors, nullptr)) return std::nullopt;
    totals_.frame += (errors & CE_FRAME) ? 1 : 0;
    totals_.brk += (errors & CE_BREAK) ? 1 : 0;
    totals_.parity += (errors & CE_RXPARITY) ? 1 : 0;
    totals_.overrun += (errors & (CE_OVERRUN | CE_RXOVER)) ? 1 : 0;
    return totals_;
  }

 private:
  LineCounts totals_;
};

#else

class NoCounts final : public LineCountSource {
 public:
  void Prepare(qintptr) override {}
  std::optional<LineCounts> Read(qintptr) override { return std::nullopt; }
};

#endif

// Unsigned subtraction keeps a difference right across the counter's wrap-around.
std::uint32_t Fresh(std::uint32_t now, std::uint32_t before) {
  return std::min(now - before, LineErrorCounter::kMostPerReading);
}

void Append(std::vector<LineError>& errors, LineError kind, std::uint32_t count) {
  errors.insert(errors.end(), count, kind);
}

}  // namespace

std::unique_ptr<LineCountSource> SystemLineCounts() {
#if defined(Q_OS_LINUX)
  return std::make_unique<KernelCounts>();
#elif defined(Q_OS_WIN)
  return std::make_unique<CommErrorFlags>();
#else
  return std::make_unique<NoCounts>();
#endif
}

LineErrorCounter::LineErrorCounter(std::unique_ptr<LineCountSource> source)
    : source_(std::move(source)) {}

bool LineErrorCounter::Begin(qintptr handle) {
  counting_ = false;
  if (handle < 0 || !source_) return false;
  source_->Prepare(handle);
  const auto counts = source_->Read(handle);
  if (!counts) return false;
  baseline_ = *counts;
  counting_ = true;
  return true;
}

std::vector<LineError> LineErrorCounter::TakeNew(qintptr handle) {
  std::vector<LineError> errors;
  if (!counting_) return errors;
  const auto counts = source_->Read(handle);
  if (!counts) return errors;
  // A receiver talking slower than the port is set to holds the line low for longer than a
  // whole character at the port's speed: a start bit at 9600 baud lasts twelve bit times at
  // 115200. The 8250/16550 family, FTDI, CP210x and CDC-ACM adapters all report such a low run
  // as a break, and the 8250 driver then drops the framing flag of the same character. At a
  // wrong speed below the receiver's, breaks are often all the line reports, so a break counts
  // as a framing error: that is what tells the baud-rate search the speed is wrong. A receiver
  // never sends a genuine break.
  Append(errors, LineError::Framing,
         std::min(Fresh(counts->frame, baseline_.frame) + Fresh(counts->brk, baseline_.brk),
                  kMostPerReading));
  Append(errors, LineError::Parity, Fresh(counts->parity, baseline_.parity));
  Append(errors, LineError::Overrun, Fresh(counts->overrun, baseline_.overrun));
  baseline_ = *counts;
  return errors;
}

}  // namespace orvane::platform::qt
