// The settings write sequence on the wire: what each of the forty-nine ticks sends, when the
// save goes out, and how a closed port or an unsendable value affects the schedule.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ExpectedWriteRows.h"
#include "TransferRig.h"

namespace orvane::testing {
namespace {

using platform::CheckBox;
using platform::OptionButton;
using platform::TextBox;

using Bytes = std::vector<std::uint8_t>;

Bytes Hex(std::initializer_list<int> bytes) {
  return Bytes(bytes.begin(), bytes.end());
}

Bytes Concat(Bytes a, std::string_view text) {
  a.insert(a.end(), text.begin(), text.end());
  return a;
}

// The port is open and "Write to Orvane" has just been clicked.
void StartWrite(TransferRig& rig) {
  rig.OpenPort();
  ASSERT_TRUE(rig.port.IsOpen());
  rig.form.cmdWrite_Click();
}

std::vector<Row> WrittenRows(const TransferRig& rig) {
  std::vector<Row> rows;
  for (const Sent& sent : rig.Frames()) {
    if (sent.type == kSettingsWrite) rows.push_back(sent.texts);
  }
  return rows;
}

TEST(WriteFrames, EachTickSendsTheNextRowAndTheFiftiethSendsTheSave) {
  TransferRig rig;
  StartWrite(rig);
  const auto expected = ExpectedWriteRows();
  ASSERT_EQ(expected.size(), 49U);
  for (std::size_t k = 0; k < expected.size(); ++k) {
    rig.Advance(kTick);
    ASSERT_EQ(rig.FrameCount(), k + 1) << "after tick " << k + 1;
    const Sent sent = Decode(rig.LastFrame());
    EXPECT_EQ(sent.type, kSettingsWrite) << "row " << k;
    EXPECT_EQ(sent.texts, expected[k]) << "row " << k;
  }
  EXPECT_EQ(rig.form.writing().writeStep(), 49);
  EXPECT_TRUE(rig.tmrWrite.IsRunning());

  rig.Advance(kTick);  // the fiftieth tick, 12.5 s after the click
  ASSERT_EQ(rig.FrameCount(), 50U);
  EXPECT_EQ(rig.LastFrame(), kSaveFrame);
  EXPECT_FALSE(rig.tmrWrite.IsRunning());
  EXPECT_EQ(rig.form.writing().writeStep(), 49);
  rig.Advance(2s);
  EXPECT_EQ(rig.FrameCount(), 50U);
}

TEST(WriteFrames, FramesAreByteExact) {
  TransferRig rig;
  StartWrite(rig);
  rig.Advance(50 * kTick);
  ASSERT_EQ(rig.FrameCount(), 50U);
  const auto& w = rig.port.written();

  EXPECT_EQ(w[0].frame,
            Hex({0x55, 0xA0, 0x00, 0x42, 0x00, 0x1F, 0x65, 0x74, 0x68, 0x65, 0x72, 0x6E, 0x65,
                 0x74, 0x00, 0x69, 0x6E, 0x74, 0x65, 0x72, 0x66, 0x61, 0x63, 0x65, 0x5F, 0x6D,
                 0x6F, 0x64, 0x65, 0x00, 0x43, 0x6F, 0x6E, 0x66, 0x69, 0x67, 0x00, 0x1F, 0xF2}));
  // An empty text box sends an empty value: two NULs in a row.
  EXPECT_EQ(w[1].frame, Hex({0x55, 0xA0, 0x00, 0x42, 0x00, 0x15, 0x65, 0x74, 0x68, 0x65,
                             0x72, 0x6E, 0x65, 0x74, 0x00, 0x69, 0x70, 0x5F, 0x61, 0x64,
                             0x64, 0x72, 0x65, 0x73, 0x73, 0x00, 0x00, 0xCA, 0x01}));
  EXPECT_EQ(w[12].frame,
            Hex({0x55, 0xA0, 0x00, 0x42, 0x00, 0x2D, 0x61, 0x63, 0x71, 0x75, 0x69, 0x73, 0x69, 0x74,
                 0x69, 0x6F, 0x6E, 0x00, 0x67, 0x6C, 0x6F, 0x6E, 0x61, 0x73, 0x73, 0x5F, 0x61, 0x63,
                 0x71, 0x75, 0x69, 0x73, 0x69, 0x74, 0x69, 0x6F, 0x6E, 0x5F, 0x65, 0x6E, 0x61, 0x62,
                 0x6C, 0x65, 0x64, 0x00, 0x54, 0x72, 0x75, 0x65, 0x00, 0x88, 0x1F}));

  // Row 34, the longest: a 218-byte payload in a 226-byte frame.
  Bytes row34 = Concat(Hex({0x55, 0xA0, 0x00, 0x42, 0x00, 0xDA}), "tcp_server0");
  row34.push_back(0);
  row34 = Concat(row34, "enabled_sbp_messages");
  row34.push_back(0);
  row34 = Concat(row34,
                 "23,65,72,74,81,97,117,134,136,137,138,139,144,149,163,165,166,167,171,181,185,"
                 "187,188,189,190,257,258,259,520,522,524,526,527,528,1025,2304/50,2305,2306/50,"
                 "4098,30583,65280,65282,65535");
  row34.push_back(0);
  row34.insert(row34.end(), {0xFB, 0x0D});
  ASSERT_EQ(row34.size(), 226U);
  EXPECT_EQ(w[34].frame, row34);
}

TEST(WriteFrames, ClickWithPortClosedWaitsAndStartsAtRowZero) {
  TransferRig rig;
  rig.form.cmdWrite_Click();  // Timer1 has not opened the port yet
  EXPECT_EQ(rig.controls.LampColour(), kYellow);
  EXPECT_EQ(rig.controls.Caption(), "Write Configuration 0 of 49");
  rig.Advance(750ms);
  EXPECT_EQ(rig.FrameCount(), 0U);
  EXPECT_EQ(rig.form.writing().writeStep(), 0);
  rig.Advance(53 * kTick);
  EXPECT_EQ(WrittenRows(rig), ExpectedWriteRows());
  EXPECT_EQ(rig.LastFrame(), kSaveFrame);
}

TEST(WriteFrames, ClosedPortPausesTheRowsWithNoneSkippedOrRepeated) {
  TransferRig rig;
  StartWrite(rig);
  rig.Advance(21 * kTick + 50ms);  // rows 0 to 20 are out
  ASSERT_EQ(rig.FrameCount(), 21U);
  rig.port.Unplug();
  rig.Advance(2s);
  EXPECT_EQ(rig.FrameCount(), 21U);
  EXPECT_EQ(rig.form.writing().writeStep(), 21);
  EXPECT_TRUE(rig.tmrWrite.IsRunning());

  rig.port.Replug();  // the next Timer1 tick opens it again
  rig.Advance(1s);
  ASSERT_TRUE(rig.port.IsOpen());
  rig.Advance(30 * kTick);
  EXPECT_EQ(WrittenRows(rig), ExpectedWriteRows());
  EXPECT_EQ(rig.FrameCount(), 50U);
  EXPECT_EQ(rig.LastFrame(), kSaveFrame);
  EXPECT_FALSE(rig.tmrWrite.IsRunning());
}

TEST(WriteFrames, ControlValuesAreTakenAtTheirRowsOwnTick) {
  TransferRig rig;
  StartWrite(rig);
  rig.Advance(500ms);
  rig.controls.SetText(TextBox::txtMask, "15");  // before row 4's tick at 1.25 s
  rig.Advance(750ms);
  ASSERT_EQ(rig.FrameCount(), 5U);
  rig.controls.SetText(TextBox::txtMask, "20");  // too late for this write
  rig.controls.SetValue(CheckBox::chkSbas, platform::vbUnchecked);
  rig.Advance(5 * kTick);  // row 9 goes out
  rig.controls.SetSelected(OptionButton::OptRTCM, true);
  rig.Advance(41 * kTick);

  auto expected = ExpectedWriteRows();
  expected[4][2] = "15";
  expected[14][2] = "False";
  expected[39][2] = "RTCMv3 OUT";
  EXPECT_EQ(WrittenRows(rig), expected);
}

TEST(WriteFrames, OptionAndCheckBoxesMapToTheirTexts) {
  TransferRig rig;
  rig.controls.SetSelected(OptionButton::OptRTCM, true);
  rig.controls.SetValue(CheckBox::chkBeidou, platform::vbChecked);
  rig.controls.SetValue(CheckBox::chkGLONASS, platform::vbUnchecked);
  rig.controls.SetValue(CheckBox::chkSbas, 2);  // greyed counts as not checked
  rig.controls.SetValue(CheckBox::chkGalileo, platform::vbChecked);
  StartWrite(rig);
  rig.Advance(50 * kTick);

  auto expected = ExpectedWriteRows();
  expected[9][2] = expected[39][2] = "RTCMv3 OUT";  // rows 36 and 44 stay "SBP"
  expected[10][2] = expected[11][2] = "True";
  expected[12][2] = expected[13][2] = "False";
  expected[14][2] = "False";
  expected[15][2] = expected[16][2] = "True";
  EXPECT_EQ(WrittenRows(rig), expected);
}

// A text box value that still fits one frame and is Latin-1 goes out as Latin-1 bytes.
TEST(WriteFrames, LongestAndLatin1ValuesThatFitAreSent) {
  struct Case {
    std::string text;    // as the window holds it (UTF-8)
    std::string latin1;  // as it must travel
  };
  const std::string eAcute = "\xC3\xA9";
  std::string utf8Long;
  for (int i = 0; i < 234; ++i) utf8Long += eAcute;
  for (const Case& c :
       {Case{std::string(234, 'x'), std::string(234, 'x')},
        Case{utf8Long, std::string(234, '\xE9')}, Case{"Z\xC3\xBCrich", "Z\xFCrich"}}) {
    TransferRig rig;
    rig.controls.SetText(TextBox::txtIP, c.text);
    StartWrite(rig);
    rig.Advance(2 * kTick);
    ASSERT_EQ(rig.FrameCount(), 2U);
    // "ethernet" NUL "ip_address" NUL value NUL, between header and CRC.
    EXPECT_EQ(rig.LastFrame().size(), 8U + 9 + 11 + c.latin1.size() + 1);
    EXPECT_EQ(Decode(rig.LastFrame()).texts, (Row{"ethernet", "ip_address", c.latin1}));
  }
  TransferRig rig;
  rig.controls.SetText(TextBox::txtLat, "Z\xC3\xBCrich");
  StartWrite(rig);
  rig.Advance(7 * kTick);
  EXPECT_EQ(rig.LastFrame(),
            Hex({0x55, 0xA0, 0x00, 0x42, 0x00, 0x26, 0x73, 0x75, 0x72, 0x76, 0x65, 0x79,
                 0x65, 0x64, 0x5F, 0x70, 0x6F, 0x73, 0x69, 0x74, 0x69, 0x6F, 0x6E, 0x00,
                 0x73, 0x75, 0x72, 0x76, 0x65, 0x79, 0x65, 0x64, 0x5F, 0x6C, 0x61, 0x74,
                 0x00, 0x5A, 0xFC, 0x72, 0x69, 0x63, 0x68, 0x00, 0x90, 0x78}));
}

// A value that cannot travel in one frame leaves its row unsent and unconfirmed; every other
// row and the save keep their ticks.
TEST(WriteFrames, UnsendableTextBoxValueSkipsItsRowOnly) {
  struct Case {
    const char* what;
    TextBox box;
    std::string text;
    std::size_t row;
  };
  const Case cases[] = {
      {"payload of 256 bytes", TextBox::txtIP, std::string(235, 'x'), 1},
      {"longer than a 16-bit count", TextBox::txtSubnet, std::string(70000, '7'), 3},
      {"characters beyond Latin-1", TextBox::txtLat, "\xE6\x9D\xB1\xE4\xBA\xAC", 6},
      {"euro sign", TextBox::txtAlt, "12\xE2\x82\xAC", 8},
      {"embedded NUL", TextBox::txtMask,
       std::string("1\0"
                   "0",
                   3),
       4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TransferRig rig;
    rig.AcceptAllWrites();
    rig.controls.SetText(c.box, c.text);
    StartWrite(rig);
    rig.Advance(49 * kTick);
    EXPECT_EQ(rig.FrameCount(), 48U);
    EXPECT_EQ(rig.form.writing().writeStep(), 49);
    rig.Advance(kTick);
    ASSERT_EQ(rig.FrameCount(), 49U);
    EXPECT_EQ(rig.LastFrame(), kSaveFrame);
    EXPECT_FALSE(rig.tmrWrite.IsRunning());

    auto expected = ExpectedWriteRows();
    expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(c.row));
    EXPECT_EQ(WrittenRows(rig), expected);
    EXPECT_FALSE(rig.form.writing().done(static_cast<std::int16_t>(c.row)));
    EXPECT_EQ(rig.form.writing().accepted(), 48);
    EXPECT_EQ(rig.controls.Caption(), "Write Configuration  48 of 49");
    EXPECT_EQ(rig.controls.LampColour(), kYellow);
    EXPECT_FALSE(rig.controls.ended());
  }
}

}  // namespace
}  // namespace orvane::testing
