// SPDX-License-Identifier: Apache-2.0
// A script's session from the one factory: the port is its owner's (no watchdog opens it, no
// search moves its speed, the status line stays as it was) and only the transfers asked for run.

#include <gtest/gtest.h>

#include "support/Frames.h"
#include "support/SessionRig.h"

namespace orvane::testing {
namespace {

using namespace std::chrono_literals;

TEST(ScriptSession, LeavesThePortItsSpeedAndTheStatusLineToItsOwner) {
  SessionRig rig(session::SessionUse::Script);
  rig.port.SetLineSettings(platform::AtBaud(57600));
  // Long past the watchdog's first tick and the silence that starts a search.
  rig.clock.Advance(30s);
  EXPECT_EQ(rig.port.opens(), 0);
  EXPECT_TRUE(rig.port.written().empty());
  EXPECT_EQ(rig.port.lineSettings(), platform::AtBaud(57600));
  EXPECT_TRUE(rig.captions.empty());
  EXPECT_EQ(rig.status().lamp(), 0);  // never set
  EXPECT_FALSE(rig.session->AnyTimerRunning());

  // Opened by its owner, it carries the owner's transfers at the owner's speed, and heartbeats
  // that arrive change nothing it shows.
  ASSERT_TRUE(rig.port.Open());
  rig.port.SetResponder([&](std::span<const std::uint8_t>) {
    rig.port.ReceiverSends(HeartbeatFrame());
    rig.port.ReceiverSends(ReadResponseFrame("uart1", "baudrate", "57600"));
  });
  bool finished = false;
  const auto& transfer = rig.session->StartTransfer(
      transfer::Direction::Read, {.inFlight = 1, .pacing = 5ms, .timeout = 100ms},
      {{.key = {"uart1", "baudrate"}}}, {.finished = [&] { finished = true; }});
  rig.clock.Advance(1s);
  EXPECT_TRUE(finished);
  EXPECT_EQ(transfer.result(0).outcome, transfer::Outcome::ValueRead);
  EXPECT_EQ(transfer.result(0).value, "57600");
  ASSERT_EQ(rig.port.written().size(), 1u);
  EXPECT_EQ(rig.port.written()[0].settings, "57600,N,8,1");
  rig.clock.Advance(30s);
  EXPECT_EQ(rig.port.written().size(), 1u);
  EXPECT_TRUE(rig.captions.empty());
  EXPECT_EQ(rig.status().lamp(), 0);  // never set
}

}  // namespace
}  // namespace orvane::testing
