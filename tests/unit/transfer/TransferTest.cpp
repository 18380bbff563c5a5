// SPDX-License-Identifier: Apache-2.0
// The window's read and write on a whole session in virtual time, against a scripted receiver.

#include <gtest/gtest.h>

#include <optional>
#include <tuple>

#include "support/BaseProfile.h"
#include "support/Frames.h"
#include "support/SessionRig.h"

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
// position "0", GLONASS and SBAS checked, "SBP" selected): the golden profile's rows.
const std::vector<Row> kWrites = [] {
  std::vector<Row> rows;
  for (const auto& r : BaseProfileRows()) rows.push_back({r.section, r.name, r.value});
  return rows;
}();

// The twelve reads, in order, are these write rows; a receiver answers them with kAnswers.
constexpr std::size_t kReadRows[] = {1, 2, 3, 4, 6, 7, 8, 9, 10, 12, 14, 15};
const std::string kAnswers[] = {"10.0.0.2", "10.0.0.1",   "255.0.0.0", "15",    "1.5",   "-2.5",
                                "3",        "RTCMv3 OUT", "True",      "False", "False", "True"};

struct TransferRig : SessionRig {
  TransferRig() { OpenPort(); }
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
  rig.port.ReceiverSends(late.back());
  rig.clock.RunDue();
  EXPECT_EQ(rig.status().caption(), "Write Configuration  0 of 49");  // the sign's blank
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

// The golden profile renders back from its rows byte for byte, "interface_mode" twice, each row
// read from the line that holds it; row 34 makes a 207-character line.
TEST(ProfileRoundTrip, TheWindowsWritesRenderAsTheGoldenProfile) {
  const std::string golden = BaseProfileText();
  const transfer::ParsedProfile parsed = transfer::ParseProfile(golden);
  ASSERT_TRUE(parsed.Ok()) << parsed.error->What();
  ASSERT_EQ(parsed.rows.size(), 49u);
  const transfer::RenderedProfile rendered = transfer::RenderProfile(parsed.rows);
  EXPECT_EQ(rendered.text, golden.substr(golden.find('[')));  // less the opening comments
  std::vector<std::string> lines{""};                         // lines[n] is line n
  for (std::size_t start = 0, end; start < golden.size(); start = end + 1) {
    end = golden.find('\n', start);
    lines.push_back(golden.substr(start, end - start));
  }
  for (const auto& row : parsed.rows) {
    EXPECT_EQ(lines.at(row.line).rfind(row.name + " =", 0), 0u) << row.name;
  }
}

}  // namespace
}  // namespace orvane::testing
