// SPDX-License-Identifier: Apache-2.0
// The link core on its own, as orvanectl runs it: the port is its owner's (nothing opens it or
// moves its speed), the owner's transfer runs at the owner's speed, and every message reaches
// the listeners and the engine taken apart.

#include <gtest/gtest.h>

#include "platform/fakes/FakeSerialPort.h"
#include "platform/fakes/VirtualClock.h"
#include "session/LinkCore.h"
#include "support/Frames.h"

namespace orvane::testing {
namespace {

using namespace std::chrono_literals;

TEST(LinkCore, LeavesThePortToItsOwnerAndHandsEveryMessageOnTakenApart) {
  platform::fakes::VirtualClock clock;
  platform::fakes::FakeSerialPort port{clock};
  session::LinkCore core{port, clock.TimerFactory()};
  int heartbeats = 0;
  std::vector<link::Setting> reads;
  std::vector<std::int16_t> writeStatuses;
  core.SetListeners(
      {.heartbeat = [&] { ++heartbeats; },
       .readAnswer = [&](const link::Setting& s) { reads.push_back(s); },
       .writeAnswer = [&](const link::WriteResponse& r) { writeStatuses.push_back(r.status); }});
  port.SetLineSettings(platform::AtBaud(57600));
  clock.Advance(30s);
  EXPECT_EQ(port.opens(), 0);
  EXPECT_TRUE(port.written().empty());

  ASSERT_TRUE(port.Open());
  port.SetResponder([&](std::span<const std::uint8_t>) {
    port.ReceiverSends(HeartbeatFrame());
    port.ReceiverSends(WriteResponseFrame(2, "uart1", "baudrate", "57600"));
    port.ReceiverSends(ReadResponseFrame("uart1", "baudrate", "57600"));
  });
  bool finished = false;
  const auto& transfer = core.StartTransfer(
      transfer::Direction::Read, {.inFlight = 1, .pacing = 5ms, .timeout = 100ms},
      {{.key = {"uart1", "baudrate"}}}, {.finished = [&] { finished = true; }});
  clock.Advance(1s);
  EXPECT_TRUE(finished);
  EXPECT_EQ(transfer.result(0).outcome, transfer::Outcome::ValueRead);
  EXPECT_EQ(transfer.result(0).value, "57600");
  ASSERT_EQ(port.written().size(), 1u);
  EXPECT_EQ(port.written()[0].settings, "57600,N,8,1");
  EXPECT_EQ(heartbeats, 1);
  EXPECT_EQ(writeStatuses, std::vector<std::int16_t>{2});
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_EQ(reads[0], (link::Setting{"uart1", "baudrate", "57600"}));

  core.End();
  EXPECT_FALSE(port.IsOpen());
  EXPECT_FALSE(core.TransferRunning());
}

}  // namespace
}  // namespace orvane::testing
