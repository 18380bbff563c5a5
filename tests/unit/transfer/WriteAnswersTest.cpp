// The receiver's answers to the settings writes: which row each one confirms, the progress on
// the status line, and how answers, refusals and silence play out over a whole sequence.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "TransferRig.h"

namespace orvane::testing {
namespace {

using platform::TextBox;

std::string Progress(int count) {
  return "Write Configuration  " + std::to_string(count) + " of 49";
}

std::vector<std::string> CaptionsSince(const TransferRig& rig, std::size_t from) {
  const auto& all = rig.controls.captions();
  return {all.begin() + static_cast<std::ptrdiff_t>(from), all.end()};
}

void StartWrite(TransferRig& rig) {
  rig.OpenPort();
  ASSERT_TRUE(rig.port.IsOpen());
  rig.form.cmdWrite_Click();
}

// Refuses or ignores the one write whose section and name are given; accepts the rest.
TransferRig::WriteVerdict AllBut(std::string section, std::string name,
                                 std::optional<std::uint8_t> answer) {
  return [=](const Sent& sent) -> std::optional<std::uint8_t> {
    if (sent.texts[0] == section && sent.texts[1] == name) return answer;
    return 0;
  };
}

TEST(WriteAnswers, EveryAcceptedAnswerCountsAndTheLastTurnsGreenBeforeTheSave) {
  TransferRig rig;
  rig.AcceptAllWrites();
  rig.OpenPort();
  const std::size_t before = rig.controls.captions().size();
  rig.form.cmdWrite_Click();
  rig.Advance(49 * kTick);

  std::vector<std::string> expected{"Write Configuration 0 of 49"};
  for (int count = 1; count <= 48; ++count) expected.push_back(Progress(count));
  expected.push_back("Communicarions Good");
  EXPECT_EQ(CaptionsSince(rig, before), expected);
  EXPECT_EQ(rig.controls.LampColour(), kGreen);
  EXPECT_EQ(rig.FrameCount(), 49U);  // the save is still to come

  rig.Advance(kTick);
  EXPECT_EQ(rig.LastFrame(), kSaveFrame);
  EXPECT_FALSE(rig.tmrWrite.IsRunning());
  EXPECT_EQ(rig.controls.Caption(), "Communicarions Good");
}

TEST(WriteAnswers, OneRefusalEndsYellowAt48WithTheSaveStillSent) {
  TransferRig rig;
  rig.AnswerWrites(AllBut("ntrip", "enable", 2));
  StartWrite(rig);
  rig.Advance(50 * kTick);
  EXPECT_EQ(rig.LastFrame(), kSaveFrame);
  EXPECT_FALSE(rig.form.writing().done(28));
  EXPECT_EQ(rig.controls.Caption(), Progress(48));
  EXPECT_EQ(rig.controls.LampColour(), kYellow);
}

TEST(WriteAnswers, Row44CountsFromItsOwnTickWithoutAnAnswer) {
  TransferRig rig;
  rig.AnswerWrites(AllBut("uart1", "mode", std::nullopt));
  StartWrite(rig);
  rig.Advance(45 * kTick);  // row 44 has just gone out
  EXPECT_TRUE(rig.form.writing().done(44));
  EXPECT_EQ(rig.form.writing().accepted(), 45);
  EXPECT_EQ(rig.controls.Caption(), Progress(44));  // refreshed only by the next answer
  rig.Advance(kTick);
  EXPECT_EQ(rig.controls.Caption(), Progress(46));
  rig.Advance(4 * kTick);
  EXPECT_EQ(rig.controls.Caption(), "Communicarions Good");
  EXPECT_EQ(rig.controls.LampColour(), kGreen);
}

TEST(WriteAnswers, InterfaceModeAnswerValueTellsTheTwoRowsApart) {
  struct Case {
    std::vector<std::string> values;
    std::vector<std::int16_t> confirmed;
  };
  const Case cases[] = {
      {{"Config", "Active"}, {0, 5}},
      {{"Active", "Config"}, {0, 5}},
      {{"Active", "Active"}, {5}},
      {{"Disabled", "config", "ACTIVE", ""}, {}},
  };
  for (const Case& c : cases) {
    TransferRig rig;
    StartWrite(rig);
    int expectedCount = 0;
    for (const std::string& value : c.values) {
      const std::size_t before = rig.controls.captions().size();
      rig.Receive(WriteResponseFrame(0, "ethernet", "interface_mode", value));
      EXPECT_EQ(rig.controls.captions().size(), before + 1) << value;
    }
    for (std::int16_t row = 0; row < 49; ++row) {
      const bool confirmed = std::count(c.confirmed.begin(), c.confirmed.end(), row) > 0;
      EXPECT_EQ(rig.form.writing().done(row), confirmed) << "row " << row;
      expectedCount += confirmed ? 1 : 0;
    }
    EXPECT_EQ(rig.controls.Caption(), Progress(expectedCount));
  }
}

TEST(WriteAnswers, AcceptedGatewayAnswerReplacesTheFieldAndNoOtherAnswerTouchesAControl) {
  TransferRig rig;
  StartWrite(rig);
  rig.controls.SetText(TextBox::txtGateway, "10.0.0.1");
  rig.Receive(WriteResponseFrame(1, "ethernet", "gateway", "192.168.0.9"));
  EXPECT_EQ(rig.controls.Text(TextBox::txtGateway), "10.0.0.1");
  EXPECT_FALSE(rig.form.writing().done(2));

  rig.Receive(WriteResponseFrame(0, "ethernet", "gateway", "192.168.0.1"));
  EXPECT_EQ(rig.controls.Text(TextBox::txtGateway), "192.168.0.1");
  EXPECT_TRUE(rig.form.writing().done(2));

  rig.Receive(WriteResponseFrame(0, "ethernet", "ip_address", "192.168.0.2"));
  rig.Receive(WriteResponseFrame(0, "solution", "elevation_mask", "5"));
  EXPECT_EQ(rig.controls.Text(TextBox::txtIP), "");
  EXPECT_EQ(rig.controls.Text(TextBox::txtMask), "10");
  EXPECT_EQ(rig.form.writing().accepted(), 3);
}

TEST(WriteAnswers, UnknownSettingsAndRefusalsOnlyRewriteTheCaption) {
  TransferRig rig;
  StartWrite(rig);
  rig.Receive(WriteResponseFrame(0, "uart0", "baudrate", "19200"));
  for (const auto& frame : {WriteResponseFrame(0, "ethernet", "mtu", "1500"),
                            WriteResponseFrame(0, "Uart0", "Baudrate", "19200"),
                            WriteResponseFrame(7, "uart1", "baudrate", "19200")}) {
    const std::size_t before = rig.controls.captions().size();
    rig.Receive(frame);
    EXPECT_EQ(rig.controls.captions().size(), before + 1);
    EXPECT_EQ(rig.controls.Caption(), Progress(1));
    EXPECT_EQ(rig.controls.LampColour(), kYellow);
  }
  // The same setting answered twice counts once.
  rig.Receive(WriteResponseFrame(0, "uart0", "baudrate", "19200"));
  EXPECT_EQ(rig.controls.Caption(), Progress(1));
}

TEST(WriteAnswers, SecondClickRestartsFromRowZeroAndLateAnswersCountTowardIt) {
  TransferRig rig;
  rig.AcceptAllWrites(400ms);
  StartWrite(rig);
  rig.Advance(10 * kTick);  // rows 0 to 9 out, answers to rows 0 to 7 in
  ASSERT_EQ(rig.form.writing().accepted(), 8);

  rig.form.cmdWrite_Click();
  EXPECT_EQ(rig.form.writing().accepted(), 0);
  EXPECT_EQ(rig.form.writing().writeStep(), 0);
  EXPECT_EQ(rig.controls.Caption(), "Write Configuration 0 of 49");
  EXPECT_EQ(rig.controls.LampColour(), kYellow);

  rig.Advance(150ms);  // the answer to the earlier row 8 arrives
  EXPECT_TRUE(rig.form.writing().done(8));
  EXPECT_EQ(rig.controls.Caption(), Progress(1));
  rig.Advance(100ms);  // the next tick sends row 0 again
  ASSERT_EQ(rig.FrameCount(), 11U);
  EXPECT_EQ(Decode(rig.LastFrame()).texts,
            (std::vector<std::string>{"ethernet", "interface_mode", "Config"}));

  rig.Advance(49 * kTick + 400ms);
  EXPECT_EQ(rig.FrameCount(), 60U);
  EXPECT_EQ(rig.LastFrame(), kSaveFrame);
  EXPECT_EQ(rig.controls.Caption(), "Communicarions Good");
}

TEST(WriteAnswers, AnswersAfterTheSaveStillCountAndTurnGreen) {
  TransferRig rig;
  rig.AcceptAllWrites(1s);
  StartWrite(rig);
  rig.Advance(50 * kTick);
  ASSERT_EQ(rig.LastFrame(), kSaveFrame);
  EXPECT_FALSE(rig.tmrWrite.IsRunning());
  EXPECT_LT(rig.form.writing().accepted(), 49);
  EXPECT_EQ(rig.controls.LampColour(), kYellow);

  rig.Advance(1s);
  EXPECT_EQ(rig.controls.Caption(), "Communicarions Good");
  EXPECT_EQ(rig.controls.LampColour(), kGreen);
}

TEST(WriteAnswers, AnswerWithNoWriteStartedShowsTheCountAndLeavesTheLamp) {
  TransferRig rig;
  rig.OpenPort();
  ASSERT_EQ(rig.controls.LampColour(), 255);
  rig.Receive(WriteResponseFrame(0, "uart1", "baudrate", "19200"));
  EXPECT_EQ(rig.controls.Caption(), Progress(1));
  EXPECT_EQ(rig.controls.LampColour(), 255);
  EXPECT_TRUE(rig.form.writing().done(45));
}

}  // namespace
}  // namespace orvane::testing
