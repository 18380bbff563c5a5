#include <gtest/gtest.h>

#include "support/FormRig.h"
#include "support/Frames.h"

namespace orvane::testing {
namespace {

TEST(Watchdog, FirstTickOpensPortAndHeartbeatTurnsLineGreen) {
  FormRig rig;
  EXPECT_EQ(rig.controls.Caption(), "Orvane Not Found");
  rig.OpenPort();
  ASSERT_TRUE(rig.port.IsOpen());
  EXPECT_EQ(rig.port.Settings(), "19200,N,8,1");
  rig.port.ReceiverSends(HeartbeatFrame());
  EXPECT_EQ(rig.controls.LampColour(), 65280);
  EXPECT_EQ(rig.controls.Caption(), "Communications Good");
}

}  // namespace
}  // namespace orvane::testing
