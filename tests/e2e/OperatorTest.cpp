// SPDX-License-Identifier: Apache-2.0
// The operator's sessions with the simulated receiver, each on one simulator run: the status
// line as it goes, the fields a read fills, and what the receiver holds after a write.

#include <QElapsedTimer>

#include "ProgramRig.h"
#include "transfer/BaseStation.h"

namespace orvane::testing {
namespace {

// The twelve settings read: what the receiver holds at first (each differs from the window's
// initial contents and from the factory value), what the operator changes it to, and the
// setting that the write gives the same value.
struct Row {
  const char* control;
  const char* key;
  const char* before;
  const char* after;
  const char* twin = nullptr;
};
constexpr Row kRows[] = {
    {"txtIP", "ethernet.ip_address", "10.20.30.40", "172.16.5.9"},
    {"txtGateway", "ethernet.gateway", "10.20.30.1", "172.16.5.1"},
    {"txtSubnet", "ethernet.netmask", "255.255.0.0", "255.255.255.128"},
    {"txtMask", "solution.elevation_mask", "15", "12.5"},
    {"txtLat", "surveyed_position.surveyed_lat", "-33.8568", "48.8584"},
    {"txtLon", "surveyed_position.surveyed_lon", "151.2153", "2.2945"},
    {"txtAlt", "surveyed_position.surveyed_alt", "58.7", "330.0"},
    {"optSBP", "uart0.mode", "RTCMv3 OUT", "SBP", "tcp_server1.mode"},
    {"chkBeidou", "acquisition.bds2_acquisition_enabled", "True", "False",
     "solution.enable_beidou"},
    {"chkGLONASS", "acquisition.glonass_acquisition_enabled", "False", "True",
     "solution.enable_glonass"},
    {"chkSbas", "acquisition.sbas_acquisition_enabled", "False", "False"},  // left as read
    {"chkGalileo", "acquisition.galileo_acquisition_enabled", "True", "False",
     "solution.enable_galileo"},
};

// How the window shows a held value: as it is, but uart0.mode by whether "SBP" is chosen.
QString Shown(const Row& row, const char* held) {
  if (row.control != std::string_view("optSBP")) return held;
  return held == std::string_view("SBP") ? "True" : "False";
}

TEST(Operator, ReadsEditsAndWritesTheReceiverAndReadsAgainAfterANoiseFlood) {
  SimProcess::Store preset;
  for (const Row& row : kRows) preset[row.key] = row.before;
  SimProcess sim({}, preset);
  ProgramRig program(sim.link());
  EXPECT_EQ(program.Status(), "red: Orvane Not Found");
  ASSERT_TRUE(program.WaitForStatus("green: Communications Good", 30s)) << program.Status();

  ASSERT_TRUE(program.Read(1)) << program.Status();
  for (const Row& row : kRows) EXPECT_EQ(program.Value(row.control), Shown(row, row.before));

  for (const Row& row : kRows) program.Set(row.control, Shown(row, row.after));
  program.Click("cmdWrite");
  ASSERT_TRUE(program.WaitForStatus("green: Communicarions Good", 60s)) << program.Status();
  ASSERT_TRUE(sim.WaitForLine("settings saved (1 saves so far)", 15s));
  EXPECT_EQ(sim.Count("rx settings write "), 49);
  SimProcess::Store expected;  // the later of two rows for one setting wins
  for (const transfer::ProfileRow& row : transfer::BaseStationProfile()) {
    if (const auto* value = std::get_if<std::string>(&row.value)) {
      expected[row.key.section + "." + row.key.name] = *value;
    }
  }
  for (const Row& row : kRows) {
    expected[row.key] = row.after;
    if (row.twin != nullptr) expected[row.twin] = row.after;
  }
  SimProcess::Store held = sim.ReadStore();
  for (const auto& [key, value] : expected) EXPECT_EQ(held[key], value) << key;

  // 80 turns of the event loop in the flood take not much longer than without it.
  sim.Command("noise on 200000");
  ASSERT_TRUE(sim.WaitForLine("noise on", 10s));
  QElapsedTimer turns;
  turns.start();
  for (int turn = 0; turn < 80; ++turn) QTest::qWait(50);
  EXPECT_LT(turns.elapsed(), 4000 + 6000);  // generous: the machine may be busy
  program.Set("txtAlt", "12.0");
  EXPECT_EQ(program.Value("txtAlt"), "12.0");
  sim.Command("noise off");
  ASSERT_TRUE(sim.WaitForLine("noise off", 10s));
  EXPECT_TRUE(program.Read(3)) << program.Status();
  EXPECT_EQ(program.Value("txtAlt"), "330.0");
}

TEST(Operator, SeesARefusedSettingAnUnplugAndASilentReceiverOnTheStatusLine) {
  SimProcess sim({"--refuse", "solution.elevation_mask", "--unplug-pause", "5"});
  ProgramRig program(sim.link());
  ASSERT_TRUE(program.WaitForStatus("green: Communications Good", 30s)) << program.Status();
  EXPECT_EQ(program.LampToolTip(), sim.link() + ": heartbeat at 19200");

  program.Set("txtMask", "25");
  program.Click("cmdWrite");
  ASSERT_TRUE(sim.WaitForLine("settings saved (1 saves so far)", 60s)) << program.Status();
  EXPECT_TRUE(program.WaitForStatus("yellow: Write Configuration  48 of 49", 10s))
      << program.Status();
  EXPECT_EQ(sim.Count("rx settings write "), 49);
  EXPECT_EQ(sim.Count("tx write response status 2 solution.elevation_mask"), 1);
  EXPECT_EQ(sim.ReadStore()["solution.elevation_mask"], "10");

  sim.Command("unplug");
  EXPECT_TRUE(program.WaitForStatus("red: Com Port  1 not available", 20s)) << program.Status();
  EXPECT_TRUE(program.LampToolTip().startsWith(sim.link() + ": "))
      << program.LampToolTip().toStdString();
  EXPECT_FALSE(program.LampToolTip().contains("heartbeat")) << program.LampToolTip().toStdString();
  ASSERT_TRUE(program.WaitForStatus("green: Communications Good", 30s)) << program.Status();

  sim.Command("silent on");
  QElapsedTimer silence;
  silence.start();
  EXPECT_TRUE(program.WaitForStatus("red: Orvane Not Found", 40s)) << program.Status();
  // Ten watchdog ticks from the last heartbeat heard, at most a second before the command.
  EXPECT_GE(silence.elapsed(), 5000);
}

// Over a pseudo-terminal there are no framing errors: the search goes by verified frames. After
// fifteen silent seconds the tool steps down through the speeds, hears the receiver at 9600,
// tells it to move to 19200 and follows.
TEST(Operator, FindsAReceiverAt9600AndHearsItAt19200) {
  SimProcess sim({"--baud", "9600"});
  ProgramRig program(sim.link());
  ASSERT_TRUE(sim.WaitForLine("port now at 19200 baud", 90s)) << program.Status();
  ASSERT_TRUE(WaitFor([&] { return sim.Count("line set to 19200 baud by the tool") == 2; }, 10s));
  EXPECT_TRUE(program.Read(3)) << program.Status();
  EXPECT_EQ(program.Value("txtIP"), "192.168.0.222");
}

}  // namespace
}  // namespace orvane::testing
