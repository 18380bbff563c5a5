// SPDX-License-Identifier: Apache-2.0
// The window's read and write on a whole session in virtual time, against a scripted receiver.

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <tuple>

#include "support/Frames.h"
#include "support/SessionRig.h"
#include "transfer/ProfileFile.h"

namespace orvane::testing {
namespace {

using link::SettingKey;
using Bytes = std::vector<std::uint8_t>;
using Row = std::vector<std::string>;  // a frame's texts: section, name and value
constexpr auto kTick = std::chrono::milliseconds(250);
constexpr std::uint16_t kWrite = 0x00A0;
constexpr std::int32_t kYellow = 65535, kGreen = 65280;
const std::string kGood = "Communicarions Good";
const Bytes kSaveFrame{0x55, 0xA1, 0x00, 0x42, 0x00, 0x00, 0xF8, 0xF3};
const SettingKey kIp{"ethernet", "ip_address"}, kGateway{"ethernet", "gateway"},
    kMask{"solution", "elevation_mask"}, kRtk{"uart0", "mode"},
    kSbas{"acquisition", "sbas_acquisition_enabled"},
    kGalileo{"acquisition", "galileo_acquisition_enabled"};

// The forty-nine writes in order, from the window as it opens (address fields empty, mask "10",
// position "0", GLONASS and SBAS checked, "SBP" selected).
const std::vector<Row> kWrites{
    {"ethernet", "interface_mode", "Config"},
    {"ethernet", "ip_address", ""},
    {"ethernet", "gateway", ""},
    {"ethernet", "netmask", ""},
    {"solution", "elevation_mask", "10"},
    {"ethernet", "interface_mode", "Active"},
    {"surveyed_position", "surveyed_lat", "0"},
    {"surveyed_position", "surveyed_lon", "0"},
    {"surveyed_position", "surveyed_alt", "0"},
    {"uart0", "mode", "SBP"},
    {"acquisition", "bds2_acquisition_enabled", "False"},
    {"solution", "enable_beidou", "False"},
    {"acquisition", "glonass_acquisition_enabled", "True"},
    {"solution", "enable_glonass", "True"},
    {"acquisition", "sbas_acquisition_enabled", "True"},
    {"acquisition", "galileo_acquisition_enabled", "False"},
    {"solution", "enable_galileo", "False"},
    {"imu", "imu_raw_output", "False"},
    {"imu", "mag_raw_output", "False"},
    {"nmea", "gpgga_msg_rate", "0"},
    {"nmea", "gprmc_msg_rate", "0"},
    {"nmea", "gpvtg_msg_rate", "0"},
    {"nmea", "gphdt_msg_rate", "0"},
    {"nmea", "gpgll_msg_rate", "0"},
    {"nmea", "gpzda_msg_rate", "0"},
    {"nmea", "gsa_msg_rate", "0"},
    {"nmea", "gpgst_msg_rate", "0"},
    {"nmea", "gpgsv_msg_rate", "0"},
    {"ntrip", "enable", "False"},
    {"simulator", "enabled", "False"},
    {"standalone_logging", "enable", "False"},
    {"surveyed_position", "broadcast", "True"},
    {"tcp_client0", "mode", "Disabled"},
    {"tcp_client1", "mode", "Disabled"},
    {"tcp_server0", "enabled_sbp_messages",
     "23,65,72,74,81,97,117,134,136,137,138,139,144,149,163,165,166,167,171,181,185,187,188,189,"
     "190,257,258,259,520,522,524,526,527,528,1025,2304/50,2305,2306/50,4098,30583,65280,65282,"
     "65535"},
    {"tcp_server0", "port", "55555"},
    {"tcp_server0", "mode", "SBP"},
    {"tcp_server1", "enabled_sbp_messages", "68,72,74,117,165,175,65535"},
    {"tcp_server1", "port", "55556"},
    {"tcp_server1", "mode", "SBP"},
    {"uart0", "enabled_sbp_messages", "68,72,74,165,175,117,65535"},
    {"uart0", "baudrate", "19200"},
    {"uart0", "flow_control", "None"},
    {"uart1", "enabled_sbp_messages", "165,175,65535"},
    {"uart1", "mode", "SBP"},
    {"uart1", "baudrate", "19200"},
    {"uart1", "flow_control", "None"},
    {"udp_client0", "mode", "Disabled"},
    {"udp_client1", "mode", "Disabled"},
};

// The twelve reads, in order, are these write rows; a receiver answers them with kAnswers.
constexpr std::size_t kReadRows[] = {1, 2, 3, 4, 6, 7, 8, 9, 10, 12, 14, 15};
const std::string kAnswers[] = {"10.0.0.2", "10.0.0.1",   "255.0.0.0", "15",    "1.5",   "-2.5",
                                "3",        "RTCMv3 OUT", "True",      "False", "False", "True"};

struct TransferRig : SessionRig {
  TransferRig() { OpenPort(); }
  // The receiver answers each frame it hears with what `reply` makes of its texts, `delay` later.
  void Answer(std::function<std::optional<Bytes>(const Row&)> reply,
              std::chrono::milliseconds delay = {}) {
    port.SetResponder([this, reply, delay](std::span<const std::uint8_t> bytes) {
      if (auto frame = reply(Decode({bytes.begin(), bytes.end()}).texts)) {
        clock.Post(delay, [this, frame = *frame] { port.ReceiverSends(frame); });
      }
    });
  }
  std::vector<Row> SentTexts(std::uint16_t type) const {
    std::vector<Row> rows;
    for (const auto& w : port.written())
      if (const Sent s = Decode(w.frame); s.type == type) rows.push_back(s.texts);
    return rows;
  }
};

// The receiver's answer to a settings write, with the gateway it settled on: accepted, but the
// one keyed "section/name" is answered with `status` (nothing: no answer).
std::optional<Bytes> WriteAnswer(const Row& t, const std::string& key = "",
                                 std::optional<std::uint8_t> status = 0) {
  const auto answer = t.size() == 3 && t[0] + "/" + t[1] == key ? status : 0;
  if (t.size() != 3 || !answer) return std::nullopt;
  return WriteResponseFrame(*answer, t[0], t[1], t[1] == "gateway" ? "10.0.0.1" : t[2]);
}

TEST(WindowWrite, SecondClickStartsOverAndEachTickSendsTheNextRowWithItsValueThenTheSave) {
  TransferRig rig;
  rig.Answer([](const Row& t) { return WriteAnswer(t); });
  rig.Advance(100ms);  // so that the write ticks fall between the watchdog's
  rig.session->OnWriteClicked();
  rig.Advance(3 * kTick);  // rows 0 to 2 go out and are confirmed
  rig.session->OnWriteClicked();
  EXPECT_EQ(rig.session->writing().Done(), 0);
  EXPECT_EQ(rig.status().caption(), "Write Configuration 0 of 49");
  auto expected = kWrites;
  expected[2][2] = "10.0.0.1";  // the gateway the receiver answered with
  expected[4][2] = "15";        // each edit comes after the click, just before its row's tick
  expected[9][2] = expected[39][2] = "RTCMv3 OUT";  // rows 36 and 44 stay "SBP"
  expected[14][2] = "False";
  for (std::size_t k = 0; k < 49; ++k) {
    if (k == 4) rig.fields.SetText(kMask, "15");
    if (k == 9) rig.fields.SetOn(kRtk, false);
    if (k == 14) rig.fields.SetOn(kSbas, false);
    if (k == 21) {  // the rows pause while the port is closed, until the watchdog opens it again
      rig.port.Unplug();
      rig.Advance(2s);
      rig.port.Replug();
      while (!rig.port.IsOpen()) rig.Advance(50ms);
    }
    rig.Advance(kTick);
    ASSERT_EQ(rig.port.written().size(), k + 4);
    EXPECT_EQ(rig.SentTexts(kWrite).back(), expected[k]) << "row " << k;
  }
  rig.Advance(kTick);
  EXPECT_EQ(rig.port.written().back().frame, kSaveFrame);
  Bytes row34 = Texts({kWrites[34][0], kWrites[34][1], kWrites[34][2]});
  row34.insert(row34.begin(), {0x55, 0xA0, 0x00, 0x42, 0x00, 0xDA});  // a 218-byte payload
  row34.insert(row34.end(), {0xFB, 0x0D});
  EXPECT_EQ(rig.port.written()[3 + 34].frame, row34);
}

// Answers come a second after each write, the last few after the save; row 44 needs none. An IP
// address value that makes a payload over 255 bytes, or is beyond Latin-1, is left out: row 1 stays
// unconfirmed and the rest keep their ticks.
TEST(WindowWrite, EndsGoodOnlyWhenEveryRowIsConfirmedAndSavesOnTheFiftiethTickRegardless) {
  const std::tuple<std::string, std::optional<std::uint8_t>, std::string, std::int32_t> cases[] = {
      {"", 0, "", kGreen},
      {"ethernet/gateway", 2, "", kYellow},
      {"uart1/mode", std::nullopt, "", kGreen},
      {"", 0, std::string(235, 'x'), kYellow},
      {"", 0, "\xE6\x9D\xB1\xE4\xBA\xAC", kYellow}};
  for (const auto& [key, status, ip, lamp] : cases) {
    TransferRig rig;
    rig.Answer(
        [&, key = key, status = status](const Row& t) { return WriteAnswer(t, key, status); }, 1s);
    rig.session->OnWriteClicked();
    rig.fields.SetText(kIp, ip);
    rig.Advance(49 * kTick);
    auto expected = kWrites;
    if (!ip.empty()) expected.erase(expected.begin() + 1);
    EXPECT_EQ(rig.SentTexts(kWrite), expected) << key;
    EXPECT_EQ(rig.port.written().size(), expected.size()) << key;
    rig.Advance(kTick);
    EXPECT_EQ(rig.port.written().back().frame, kSaveFrame);
    EXPECT_EQ(rig.status().lamp(), kYellow);
    rig.Advance(1s);
    EXPECT_EQ(rig.port.written().size(), expected.size() + 1);
    EXPECT_EQ(rig.status().caption(), lamp == kGreen ? kGood : "Write Configuration  48 of 49");
    EXPECT_EQ(rig.status().lamp(), lamp) << key;
    EXPECT_EQ(rig.fields.Text(kGateway), status == 2 ? "" : "10.0.0.1");
  }
}

// Rows 0 and 5 write one setting; the answer's value tells which of them it confirms, and each
// counts only once its own row has gone out since the click.
TEST(WindowWrite, InterfaceModeAnswerValueTellsItsTwoRowsApart) {
  const std::tuple<Row, int, int> cases[] = {
      {{"Config", "Active"}, 6, 2}, {{"Active", "Config"}, 6, 2}, {{"Active"}, 6, 1},
      {{"Disabled"}, 6, 0},         {{"Config", "Active"}, 5, 1}, {{"Config", "Active"}, 0, 0}};
  for (const auto& [values, rowsSent, accepted] : cases) {
    TransferRig rig;
    rig.session->OnWriteClicked();
    rig.Advance(rowsSent * kTick);
    for (const auto& v : values)
      rig.port.ReceiverSends(WriteResponseFrame(0, "ethernet", "interface_mode", v));
    rig.clock.RunDue();
    EXPECT_EQ(rig.session->writing().Done(), accepted) << values[0];
  }
}

// Before any write, write answers (the baud-rate search's, say) count for nothing and leave the
// status line alone. After a click, answers to the earlier write count only for rows sent again
// since: the receiver may have refused what was sent now.
TEST(WindowWrite, AnswersCountOnlyForRowsSentSinceTheLastClick) {
  TransferRig rig;
  rig.port.ReceiverSends(WriteResponseFrame(0, "uart1", "baudrate", "19200"));
  rig.clock.RunDue();
  EXPECT_EQ(rig.captions, std::vector<std::string>{"Orvane Not Found"});
  EXPECT_EQ(rig.session->writing().Done(), 0U);

  rig.session->OnWriteClicked();
  rig.Advance(50 * kTick);  // every row and the save, none answered yet
  std::vector<Bytes> late;
  for (const Row& t : rig.SentTexts(kWrite)) late.push_back(*WriteAnswer(t));
  rig.session->OnWriteClicked();
  rig.Advance(4 * kTick);
  for (const Bytes& answer : late) rig.port.ReceiverSends(answer);
  rig.clock.RunDue();
  EXPECT_EQ(rig.session->writing().Done(), 4U);
  EXPECT_EQ(rig.status().caption(), "Write Configuration  4 of 49");
  EXPECT_EQ(rig.status().lamp(), kYellow);
}

// Row 7 is answered for "uart1" instead: an answer that matches no row only refreshes the caption.
TEST(WindowRead, ClickWithThePortClosedRequestsEveryRowInOrderAndTalliesTheAnswers) {
  const std::tuple<std::size_t, std::string, std::int32_t> cases[] = {
      {12, kGood, kGreen}, {7, "Read Configuration  11 of 12", kYellow}};
  std::vector<Row> asked;  // the requests in the order they must go out
  for (std::size_t row : kReadRows) asked.push_back({kWrites[row][0], kWrites[row][1]});
  for (const auto& [lost, caption, lamp] : cases) {
    TransferRig rig;
    rig.Answer([&, lost = lost](const Row& t) -> std::optional<Bytes> {
      for (std::size_t i = 0; i < 12; ++i) {
        if (t == asked[i]) return ReadResponseFrame(i == lost ? "uart1" : t[0], t[1], kAnswers[i]);
      }
      return std::nullopt;
    });
    rig.port.Unplug();
    const std::size_t before = rig.captions.size();
    rig.session->OnReadClicked();
    EXPECT_EQ(rig.status().caption(), "Read Configuration 0 of 12");
    rig.port.Replug();
    rig.Advance(20 * kTick);
    EXPECT_EQ(rig.SentTexts(0x00A4), asked);
    EXPECT_EQ(rig.captions.size(), before + 13);
    EXPECT_EQ(rig.status().caption(), caption);
    EXPECT_EQ(rig.status().lamp(), lamp);
    rig.session->OnWriteClicked();  // which sends back what the read put into the window
    rig.Advance(16 * kTick);
    for (std::size_t i = 0; i < 12; ++i) {
      const std::string& opening = kWrites[kReadRows[i]][2];
      EXPECT_EQ(rig.SentTexts(kWrite)[kReadRows[i]][2], i == lost ? opening : kAnswers[i]) << i;
    }
  }
}

TEST(WindowRead, OnlyTheExactTextsTrueAndSbpCheckABoxOrSelectSbp) {
  const std::tuple<std::string, bool, bool> cases[] = {
      {"True", true, false},   {"SBP", false, true},  {"true", false, false},
      {"True ", false, false}, {"sbp", false, false}, {"", false, false}};
  for (const auto& [value, checked, sbp] : cases) {
    TransferRig rig;
    // Every control starts opposite to the state the answer must leave it in.
    rig.fields.SetOn(kGalileo, !checked);
    rig.fields.SetOn(kRtk, !sbp);
    rig.port.ReceiverSends(ReadResponseFrame("acquisition", "galileo_acquisition_enabled", value));
    rig.port.ReceiverSends(ReadResponseFrame("uart0", "mode", value));
    rig.clock.RunDue();
    EXPECT_EQ(rig.fields.IsOn(kGalileo), checked) << value;
    EXPECT_EQ(rig.fields.IsOn(kRtk), sbp) << value;
  }
}

// The forty-nine writes as a profile, an address filled in: they read back row for row,
// "interface_mode" twice, each from the line that holds it; row 34 makes a 207-character line.
TEST(ProfileRoundTrip, TheWindowsWritesReadBackRowForRow) {
  std::vector<transfer::ProfileSetting> rows;
  for (const Row& w : kWrites) rows.push_back({w[0], w[1], w[2]});
  rows[1].value = "192.168.0.222";
  rows[2].value = "192.168.0.1";
  rows[3].value = "255.255.255.0";
  const transfer::RenderedProfile rendered = transfer::RenderProfile(rows);
  ASSERT_TRUE(rendered.Ok()) << rendered.error->What();
  std::vector<std::string> lines{""};  // lines[n] is line n
  for (std::size_t start = 0, end; start < rendered.text.size(); start = end + 1) {
    end = rendered.text.find('\n', start);
    lines.push_back(rendered.text.substr(start, end - start));
  }
  std::size_t longest = 0;
  for (const auto& line : lines) longest = std::max(longest, line.size());
  EXPECT_EQ(longest, 207u);
  const transfer::ParsedProfile parsed = transfer::ParseProfile(rendered.text);
  ASSERT_TRUE(parsed.Ok()) << parsed.error->What();
  EXPECT_EQ(parsed.rows, rows);
  for (const auto& row : parsed.rows) {
    EXPECT_EQ(lines.at(row.line).rfind(row.name + " =", 0), 0u) << row.name;
  }
}

// A command-line tool's read on the window session's link core: its own pace, time-out and retry.
// The receiver loses the first request for "x"/"b" and never answers "x"/"c".
TEST(SessionTransfer, ReadsAnyListWithItsOwnPolicyOnTheSessionsLink) {
  TransferRig rig;
  std::map<std::string, int> asked;
  rig.Answer(
      [&](const Row& t) -> std::optional<Bytes> {
        if (t.size() != 2 || t[1] == "c" || (t[1] == "b" && ++asked[t[1]] == 1))
          return std::nullopt;
        return ReadResponseFrame(t[0], t[1], "v-" + t[1]);
      },
      50ms);
  bool finished = false;
  const auto& transfer = rig.session->core().StartTransfer(
      transfer::Direction::Read, {.inFlight = 2, .pacing = 10ms, .timeout = 300ms, .retries = 1},
      {{.key = {"x", "a"}}, {.key = {"x", "b"}}, {.key = {"x", "c"}}},
      {.finished = [&] { finished = true; }});
  rig.Advance(3s);
  EXPECT_TRUE(finished);
  using transfer::Outcome;
  const std::tuple<Outcome, std::string, int> expected[] = {
      {Outcome::ValueRead, "v-a", 1}, {Outcome::ValueRead, "v-b", 2}, {Outcome::Unanswered, "", 2}};
  for (std::size_t i = 0; i < 3; ++i) {
    const auto& [outcome, value, sends] = expected[i];
    EXPECT_EQ(transfer.result(i).outcome, outcome) << i;
    EXPECT_EQ(transfer.result(i).value, value) << i;
    EXPECT_EQ(transfer.result(i).sends, sends) << i;
  }
}

}  // namespace
}  // namespace orvane::testing
