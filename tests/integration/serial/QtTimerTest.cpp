// The precise interval timer in real time. Margins are wide: only the order of events is
// asserted, never a tight duration.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>

#include "platform/qt/QtTimer.h"

namespace orvane::platform::qt {
namespace {

using namespace std::chrono_literals;

TEST(QtTimer, FirstTickComesOneIntervalAfterStart) {
  QtTimer timer;
  timer.SetInterval(300ms);
  EXPECT_EQ(timer.Interval(), 300ms);
  EXPECT_FALSE(timer.IsRunning());

  QElapsedTimer clock;
  qint64 firstTick = -1;
  timer.SetTickHandler([&] {
    if (firstTick < 0) firstTick = clock.elapsed();
  });
  clock.start();
  timer.Start();
  EXPECT_TRUE(timer.IsRunning());
  ASSERT_TRUE(QTest::qWaitFor([&] { return firstTick >= 0; }, 5000));
  EXPECT_GE(firstTick, 250);  // not at once, not a short first period
}

TEST(QtTimer, StartOnARunningTimerKeepsItsPhase) {
  QtTimer timer;
  timer.SetInterval(300ms);
  int ticks = 0;
  timer.SetTickHandler([&] { ++ticks; });
  timer.Start();
  // Starting again every 50 ms: a timer that restarted would never tick.
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 1500) {
    timer.Start();
    QTest::qWait(50);
  }
  EXPECT_GE(ticks, 2);
}

TEST(QtTimer, StopStopsTheTicks) {
  QtTimer timer;
  timer.SetInterval(50ms);
  int ticks = 0;
  timer.SetTickHandler([&] { ++ticks; });
  timer.Start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return ticks > 0; }, 5000));
  timer.Stop();
  EXPECT_FALSE(timer.IsRunning());
  const int stoppedAt = ticks;
  QTest::qWait(300);
  EXPECT_EQ(ticks, stoppedAt);
}

}  // namespace
}  // namespace orvane::platform::qt
