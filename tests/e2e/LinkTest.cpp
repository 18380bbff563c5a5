// The status line as the operator watches it, against the simulated receiver: heartbeats heard,
// a receiver falling silent, one found at another speed, and the line unplugged.

#include <gtest/gtest.h>
#include <signal.h>

#include <QElapsedTimer>

#include "ProgramRig.h"
#include "SimProcess.h"

namespace orvane::testing {
namespace {

TEST(Link, HeartbeatsTurnTheStatusLineGreen) {
  SimProcess sim;
  ASSERT_TRUE(sim.ok());
  ProgramRig program(sim.link());
  EXPECT_TRUE(program.StatusIs(kRed, "Orvane Not Found")) << program.Status();
  EXPECT_TRUE(program.WaitUntilHeard()) << program.Status();
}

TEST(Link, ASilentReceiverTurnsTheLineRedAfterAboutTenSeconds) {
  SimProcess sim;
  ASSERT_TRUE(sim.ok());
  ProgramRig program(sim.link());
  ASSERT_TRUE(program.WaitUntilHeard()) << program.Status();

  sim.Command("silent on");
  QElapsedTimer silence;
  silence.start();
  EXPECT_TRUE(WaitFor([&] { return program.StatusIs(kRed, "Orvane Not Found"); }, 40s))
      << program.Status();
  // The countdown runs ten watchdog ticks (9 to 10 s) from the last heartbeat heard, which
  // came at most a second before the command unless the machine stalled the simulator.
  EXPECT_GE(silence.elapsed(), 6000);
}

// Over a pseudo-terminal there are no framing errors: the search goes by verified frames. The
// receiver is at 9600 baud; after fifteen silent seconds the tool steps through 115200, 57600,
// 38400 and 9600, hears it there, tells it to move to 19200 and follows.
TEST(Link, SearchFindsAReceiverAt9600AndMovesItTo19200) {
  SimProcess sim({"--baud", "9600"});
  ASSERT_TRUE(sim.ok());
  ProgramRig program(sim.link());

  ASSERT_TRUE(WaitFor([&] { return sim.Setting("uart1.baudrate") == "19200"; }, 90s))
      << program.Status();
  EXPECT_EQ(sim.Setting("uart1.enabled_sbp_messages"), "165,175,65535");
  EXPECT_TRUE(WaitFor([&] { return sim.CountLines("port now at 19200 baud") == 1; }, 10s));
  EXPECT_EQ(program.Lamp(), kGreen) << program.Status();

  // Heard at 19200: a read completes there. Until the tool's port has followed (within one
  // search tick) a read can be lost, so the operator clicks again.
  bool read = false;
  for (int attempt = 0; attempt < 4 && !read; ++attempt) {
    program.Click("cmdRead");
    read = WaitFor([&] { return program.StatusIs(kGreen, "Communicarions Good"); }, 10s);
  }
  EXPECT_TRUE(read) << program.Status();
  EXPECT_EQ(program.Field("txtIP"), "192.168.0.222");
}

TEST(Link, AnUnplugShowsThePortNotAvailableUntilTheReceiverReturns) {
  SimProcess sim({"--unplug-pause", "5"});
  ASSERT_TRUE(sim.ok());
  ProgramRig program(sim.link());
  ASSERT_TRUE(program.WaitUntilHeard()) << program.Status();

  sim.Signal(SIGUSR1);
  EXPECT_TRUE(WaitFor([&] { return program.StatusIs(kRed, "Com Port  1 not available"); }, 20s))
      << program.Status();
  EXPECT_TRUE(program.WaitUntilHeard(30s)) << program.Status();
  EXPECT_EQ(sim.CountLines("plugged in again"), 1);
}

}  // namespace
}  // namespace orvane::testing
