// SPDX-License-Identifier: Apache-2.0
#pragma once
// SIGTERM and SIGINT end the run the way Exit does, from the event loop: the timers stop, the
// port closes and its lock file goes. Left to their default, they would kill the process with
// the port open and its lock file behind.

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace orvane::window {

class EndOnSignals final : public QObject {
  Q_OBJECT

 public:
  // end runs on the event thread, once per signal received; one instance at a time.
  explicit EndOnSignals(std::function<void()> end, QObject* parent = nullptr);
  ~EndOnSignals() override;

 private:
  std::function<void()> end_;
  QSocketNotifier* notifier_ = nullptr;  // child
};

}  // namespace orvane::window
