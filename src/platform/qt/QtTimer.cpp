// SPDX-License-Identifier: Apache-2.0
#include "platform/qt/QtTimer.h"

namespace orvane::platform::qt {

QtTimer::QtTimer(QObject* parent) : QObject(parent) {
  timer_.setTimerType(Qt::PreciseTimer);
  timer_.setSingleShot(false);
  connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
}

void QtTimer::SetInterval(std::chrono::milliseconds interval) {
  timer_.setInterval(interval);
}

std::chrono::milliseconds QtTimer::Interval() const {
  return timer_.intervalAsDuration();
}

void QtTimer::Start() {
  // QTimer::start() would restart a running timer; the logic expects its phase kept.
  if (!timer_.isActive()) timer_.start();
}

void QtTimer::Stop() {
  timer_.stop();
}

bool QtTimer::IsRunning() const {
  return timer_.isActive();
}

}  // namespace orvane::platform::qt
