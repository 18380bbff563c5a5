// SPDX-License-Identifier: Apache-2.0
#pragma once
// An interval timer over a precise QTimer: the sequences must keep a 250 ms pace, and a coarse
// timer may fire 5% early or late.

#include <QObject>
#include <QTimer>

#include "platform/Timer.h"

namespace orvane::platform::qt {

class QtTimer final : public QObject, public Timer {
  Q_OBJECT

 public:
  explicit QtTimer(QObject* parent = nullptr);

  void SetInterval(std::chrono::milliseconds interval) override;
  std::chrono::milliseconds Interval() const override;
  void Start() override;  // a running timer keeps its phase
  void Stop() override;
  bool IsRunning() const override;

 private:
  QTimer timer_;
};

}  // namespace orvane::platform::qt
