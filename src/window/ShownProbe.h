// SPDX-License-Identifier: Apache-2.0
#pragma once
// For the start-up benchmark only: with ORVANE_EXIT_WHEN_SHOWN set in the environment, the
// program prints the monotonic clock (nanoseconds, the clock of CLOCK_MONOTONIC) once its window
// has first been exposed and painted, then ends. Without the variable it does nothing.

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <chrono>
#include <cstdio>

namespace orvane::window {

class ShownProbe final : public QObject {
 public:
  // Call after window.show().
  static void InstallIfAsked(QWidget& window) {
    if (!qEnvironmentVariableIsSet("ORVANE_EXIT_WHEN_SHOWN") || !window.windowHandle()) return;
    window.windowHandle()->installEventFilter(new ShownProbe(window.windowHandle()));
  }

 private:
  explicit ShownProbe(QObject* parent) : QObject(parent) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
      watched->removeEventFilter(this);
      // The expose event paints and flushes the window; report once that is done.
      QTimer::singleShot(0, [] {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        std::printf("shown %lld\n",
                    static_cast<long long>(
                        std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
        std::fflush(stdout);
        QCoreApplication::exit(0);
      });
    }
    return false;
  }
};

}  // namespace orvane::window
