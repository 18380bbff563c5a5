// The read sequence: twelve read requests on a 250 ms timer, and the answers put into the
// window's fields and tallied on the status line.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "TransferRig.h"

namespace orvane::testing {
namespace {

using platform::CheckBox;
using platform::OptionButton;
using platform::TextBox;

using Pair = std::vector<std::string>;  // section, name

// The twelve read requests in the order they must go out.
const std::vector<Pair> kExpectedRequests{
    {"ethernet", "ip_address"},
    {"ethernet", "gateway"},
    {"ethernet", "netmask"},
    {"solution", "elevation_mask"},
    {"surveyed_position", "surveyed_lat"},
    {"surveyed_position", "surveyed_lon"},
    {"surveyed_position", "surveyed_alt"},
    {"uart0", "mode"},
    {"acquisition", "bds2_acquisition_enabled"},
    {"acquisition", "glonass_acquisition_enabled"},
    {"acquisition", "sbas_acquisition_enabled"},
    {"acquisition", "galileo_acquisition_enabled"},
};

// What a receiver with a non-default configuration answers.
const std::map<std::string, std::string> kReceiverValues{
    {"ip_address", "192.168.0.222"},
    {"gateway", "192.168.0.1"},
    {"netmask", "255.255.255.0"},
    {"elevation_mask", "15"},
    {"surveyed_lat", "37.7749"},
    {"surveyed_lon", "-122.4194"},
    {"surveyed_alt", "-5.5"},
    {"mode", "RTCMv3 OUT"},
    {"bds2_acquisition_enabled", "True"},
    {"glonass_acquisition_enabled", "False"},
    {"sbas_acquisition_enabled", "False"},
    {"galileo_acquisition_enabled", "True"},
};

std::string Progress(int count) {
  return "Read Configuration  " + std::to_string(count) + " of 12";
}

void StartRead(TransferRig& rig) {
  rig.OpenPort();
  ASSERT_TRUE(rig.port.IsOpen());
  rig.form.cmdRead_Click();
}

// Answers every request from kReceiverValues except the one named `lost`.
TransferRig::ReadVerdict ReceiverAnswers(std::string lost = "") {
  return [lost](const Sent& sent) -> std::optional<std::string> {
    if (sent.texts[1] == lost) return std::nullopt;
    return kReceiverValues.at(sent.texts[1]);
  };
}

TEST(ReadSequence, ClickWithPortClosedShowsYellowAndRequestsFromRowZeroOnceOpen) {
  TransferRig rig;
  rig.form.cmdRead_Click();  // Timer1 has not opened the port yet
  EXPECT_EQ(rig.controls.LampColour(), kYellow);
  EXPECT_EQ(rig.controls.Caption(), "Read Configuration 0 of 12");
  rig.Advance(750ms);
  EXPECT_EQ(rig.FrameCount(), 0U);
  EXPECT_EQ(rig.form.reading().readStep(), 0);

  rig.Advance(15 * kTick);
  std::vector<Pair> requests;
  for (const Sent& sent : rig.Frames()) {
    EXPECT_EQ(sent.type, kSettingsReadRequest);
    requests.push_back(sent.texts);
  }
  EXPECT_EQ(requests, kExpectedRequests);
  EXPECT_EQ(rig.port.written()[0].frame,
            (std::vector<std::uint8_t>{0x55, 0xA4, 0x00, 0x42, 0x00, 0x14, 0x65, 0x74, 0x68, 0x65,
                                       0x72, 0x6E, 0x65, 0x74, 0x00, 0x69, 0x70, 0x5F, 0x61, 0x64,
                                       0x64, 0x72, 0x65, 0x73, 0x73, 0x00, 0xB7, 0x51}));
  EXPECT_FALSE(rig.tmrRead.IsRunning());
}

TEST(ReadSequence, OneRequestPerTickAndTheThirteenthTickStopsTheTimer) {
  TransferRig rig;
  StartRead(rig);
  for (std::size_t k = 0; k < 12; ++k) {
    rig.Advance(kTick);
    ASSERT_EQ(rig.FrameCount(), k + 1) << "after tick " << k + 1;
    EXPECT_EQ(Decode(rig.LastFrame()).texts, kExpectedRequests[k]);
  }
  EXPECT_TRUE(rig.tmrRead.IsRunning());
  rig.Advance(kTick);
  EXPECT_FALSE(rig.tmrRead.IsRunning());
  EXPECT_EQ(rig.form.reading().readStep(), 12);
  rig.Advance(5s);
  EXPECT_EQ(rig.FrameCount(), 12U);
}

TEST(ReadSequence, AllTwelveAnsweredFillTheWindowAndTurnGreen) {
  TransferRig rig;
  rig.AnswerReads(ReceiverAnswers());
  rig.OpenPort();
  const std::size_t before = rig.controls.captions().size();
  rig.form.cmdRead_Click();
  rig.Advance(13 * kTick);

  std::vector<std::string> expected{"Read Configuration 0 of 12"};
  for (int count = 1; count <= 11; ++count) expected.push_back(Progress(count));
  expected.push_back("Communicarions Good");
  const auto& captions = rig.controls.captions();
  EXPECT_EQ(std::vector<std::string>(captions.begin() + static_cast<std::ptrdiff_t>(before),
                                     captions.end()),
            expected);
  EXPECT_EQ(rig.controls.LampColour(), kGreen);

  EXPECT_EQ(rig.controls.Text(TextBox::txtIP), "192.168.0.222");
  EXPECT_EQ(rig.controls.Text(TextBox::txtGateway), "192.168.0.1");
  EXPECT_EQ(rig.controls.Text(TextBox::txtSubnet), "255.255.255.0");
  EXPECT_EQ(rig.controls.Text(TextBox::txtMask), "15");
  EXPECT_EQ(rig.controls.Text(TextBox::txtLat), "37.7749");
  EXPECT_EQ(rig.controls.Text(TextBox::txtLon), "-122.4194");
  EXPECT_EQ(rig.controls.Text(TextBox::txtAlt), "-5.5");
  EXPECT_TRUE(rig.controls.Selected(OptionButton::OptRTCM));
  EXPECT_FALSE(rig.controls.Selected(OptionButton::optSBP));
  EXPECT_EQ(rig.controls.Value(CheckBox::chkBeidou), 1);
  EXPECT_EQ(rig.controls.Value(CheckBox::chkGLONASS), 0);
  EXPECT_EQ(rig.controls.Value(CheckBox::chkSbas), 0);
  EXPECT_EQ(rig.controls.Value(CheckBox::chkGalileo), 1);

  // A later answer, with no read under way, still lands and keeps the line green.
  rig.Receive(ReadResponseFrame("ethernet", "ip_address", "10.1.1.1"));
  EXPECT_EQ(rig.controls.Text(TextBox::txtIP), "10.1.1.1");
  EXPECT_EQ(rig.controls.Caption(), "Communicarions Good");
  EXPECT_EQ(rig.controls.LampColour(), kGreen);
}

TEST(ReadSequence, ElevenOfTwelveAnsweredStaysYellowAndSendsNothingAgain) {
  TransferRig rig;
  rig.AnswerReads(ReceiverAnswers("surveyed_lon"));
  StartRead(rig);
  rig.Advance(13 * kTick + 5s);
  EXPECT_EQ(rig.controls.Caption(), Progress(11));
  EXPECT_EQ(rig.controls.LampColour(), kYellow);
  EXPECT_EQ(rig.controls.Text(TextBox::txtLon), "0");
  EXPECT_EQ(rig.FrameCount(), 12U);
  EXPECT_FALSE(rig.tmrRead.IsRunning());
}

TEST(ReadSequence, OnlyTheExactTextsTrueAndSbpCount) {
  struct Case {
    std::string value;
    bool checked;  // a check box given this value
    bool sbp;      // the option pair given this value
  };
  const Case cases[] = {
      {"True", true, false},   {"SBP", false, true},    {"true", false, false},
      {"TRUE", false, false},  {"True ", false, false}, {"", false, false},
      {"False", false, false}, {"sbp", false, false},   {"RTCMv3 OUT", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("value \"" + c.value + "\"");
    TransferRig rig;
    rig.OpenPort();
    // Start every control in the state opposite to the expected one.
    rig.controls.SetValue(CheckBox::chkGalileo, c.checked ? 0 : 1);
    rig.controls.SetSelected(c.sbp ? OptionButton::OptRTCM : OptionButton::optSBP, true);
    rig.Receive(ReadResponseFrame("acquisition", "galileo_acquisition_enabled", c.value));
    rig.Receive(ReadResponseFrame("uart0", "mode", c.value));
    EXPECT_EQ(rig.controls.Value(CheckBox::chkGalileo), c.checked ? 1 : 0);
    EXPECT_EQ(rig.controls.Selected(OptionButton::optSBP), c.sbp);
    EXPECT_EQ(rig.controls.Selected(OptionButton::OptRTCM), !c.sbp);
    EXPECT_EQ(rig.form.reading().answered(), 2);
  }
}

TEST(ReadSequence, TextFieldsTakeTheValueAsItCame) {
  TransferRig rig;
  rig.OpenPort();
  for (const std::string value : {" 10 ", "abc", ""}) {
    rig.Receive(ReadResponseFrame("solution", "elevation_mask", value));
    EXPECT_EQ(rig.controls.Text(TextBox::txtMask), value);
  }
  // Latin-1 bytes on the wire become the same characters in the window.
  rig.Receive(ReadResponseFrame("surveyed_position", "surveyed_lat", "Z\xFCrich \xB0"));
  EXPECT_EQ(rig.controls.Text(TextBox::txtLat), "Z\xC3\xBCrich \xC2\xB0");
  EXPECT_EQ(rig.form.reading().answered(), 2);
}

TEST(ReadSequence, UnmatchedResponsesOnlyRefreshTheCaption) {
  TransferRig rig;
  rig.AnswerReads(ReceiverAnswers());
  StartRead(rig);
  rig.Advance(3 * kTick);
  rig.port.SetResponder(nullptr);
  ASSERT_EQ(rig.controls.Caption(), Progress(3));
  const std::string ip = rig.controls.Text(TextBox::txtIP);

  for (const auto& frame :
       {ReadResponseFrame("ethernet", "mtu", "1500"),
        ReadResponseFrame("Ethernet", "ip_address", "1.2.3.4"),
        ReadResponseFrame("uart1", "mode", "SBP"), ReadResponseFrame("", "", "")}) {
    const std::size_t before = rig.controls.captions().size();
    rig.Receive(frame);
    EXPECT_EQ(rig.controls.captions().size(), before + 1);
    EXPECT_EQ(rig.controls.Caption(), Progress(3));
  }
  EXPECT_EQ(rig.controls.Text(TextBox::txtIP), ip);
  EXPECT_TRUE(rig.controls.Selected(OptionButton::optSBP));
  EXPECT_EQ(rig.controls.LampColour(), kYellow);
  EXPECT_EQ(rig.form.reading().answered(), 3);
}

TEST(ReadSequence, SecondClickRestartsFromRowZeroWithFlagsCleared) {
  TransferRig rig;
  rig.AnswerReads(ReceiverAnswers());
  StartRead(rig);
  rig.Advance(5 * kTick);
  ASSERT_EQ(rig.form.reading().answered(), 5);
  rig.form.cmdRead_Click();
  EXPECT_EQ(rig.form.reading().answered(), 0);
  EXPECT_EQ(rig.controls.Caption(), "Read Configuration 0 of 12");
  rig.Advance(kTick);
  EXPECT_EQ(Decode(rig.LastFrame()).texts, kExpectedRequests[0]);
  rig.Advance(12 * kTick);
  EXPECT_EQ(rig.FrameCount(), 17U);
  EXPECT_EQ(rig.controls.Caption(), "Communicarions Good");
}

}  // namespace
}  // namespace orvane::testing
