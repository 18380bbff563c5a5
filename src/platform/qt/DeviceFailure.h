// SPDX-License-Identifier: Apache-2.0
#pragma once
// What the serial port and the TCP link both do when their device fails while open. The first
// failure marks the device failing, so that it reads as closed from then on, and queues its close
// to run from the event loop, outside the device's own error handling (a hung-up device repeats
// its error in a tight loop). Every open and close moves a generation on, so a close still queued
// when the device was closed and opened again has nothing left to do.

#include <QMetaObject>
#include <QObject>
#include <QString>
#include <cstdint>
#include <utility>

namespace orvane::platform::qt {

class DeviceFailure {
 public:
  bool failing() const { return failing_; }
  // Why the device failed, for the owner's failed signal.
  const QString& reason() const { return reason_; }

  // The device was opened or closed. Whether it was failing until now.
  bool Reset() {
    ++generation_;
    return std::exchange(failing_, false);
  }

  // The first failure since the last Reset: close runs later, on context's thread, unless the
  // device is opened or closed first. False, and nothing queued, when it was failing already.
  template <typename Close>
  bool Raise(QObject* context, const QString& reason, Close close) {
    if (failing_) return false;
    failing_ = true;
    reason_ = reason;
    QMetaObject::invokeMethod(
        context,
        [this, generation = generation_, close = std::move(close)] {
          if (generation == generation_ && failing_) close();
        },
        Qt::QueuedConnection);
    return true;
  }

 private:
  bool failing_ = false;
  QString reason_;
  std::uint64_t generation_ = 0;
};

}  // namespace orvane::platform::qt
