// SPDX-License-Identifier: Apache-2.0
// What orvane-sim takes from its command line and its standard input: noise rates, read the same
// way by both, and the commands.

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Commands.h"
#include "Options.h"

namespace orvane::sim {
namespace {

ParseOutcome ParseLine(std::vector<std::string> words, Options& options, std::string& message) {
  words.insert(words.begin(), "orvane-sim");
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  return ParseOptions(static_cast<int>(words.size()), argv.data(), options, message);
}

struct RateCase {
  std::string text;
  std::optional<int> rate;  // nullopt: refused
  const char* why;          // words the refusal says
};

TEST(NoiseRate, IsReadAndBoundedTheSameOnTheCommandLineAndOnStandardInput) {
  const RateCase cases[] = {
      {"1", 1, ""},
      {"007", 7, ""},
      {std::to_string(kMaxNoiseRate), kMaxNoiseRate, ""},
      {std::to_string(kMaxNoiseRate + 1), std::nullopt, "over"},
      {"99999999999999999999999999", std::nullopt, "over"},
      {"0", std::nullopt, "sends nothing"},
      {"-0", std::nullopt, "sends nothing"},
      {"-5", std::nullopt, "negative"},
      {"-99999999999999999999999999", std::nullopt, "negative"},
      {"12x", std::nullopt, "not a whole number"},
      {"+5", std::nullopt, "not a whole number"},
      {"-", std::nullopt, "not a whole number"},
  };
  for (const RateCase& c : cases) {
    SCOPED_TRACE(c.text);
    std::string error;
    EXPECT_EQ(ParseNoiseRate(c.text, error), c.rate);
    EXPECT_NE(error.find(c.why), std::string::npos) << error;
    if (!c.rate) {
      EXPECT_NE(error.find(c.text), std::string::npos) << error;
    }

    Options options;
    std::string message;
    const ParseOutcome outcome = ParseLine({"--noise=" + c.text}, options, message);
    EXPECT_EQ(outcome, c.rate ? ParseOutcome::Run : ParseOutcome::Error) << message;
    if (c.rate) {
      EXPECT_EQ(options.noiseRate, *c.rate);
    }
    EXPECT_NE(message.find(c.why), std::string::npos) << message;

    const Command command = ParseCommand("noise on " + c.text);
    EXPECT_EQ(command.kind, c.rate ? Command::Kind::Noise : Command::Kind::Invalid);
    EXPECT_EQ(command.rate, c.rate.value_or(0));
    EXPECT_NE(command.error.find(c.why), std::string::npos) << command.error;
  }
}

TEST(NoiseRate, DefaultsWhenNotGivenAndIsRefusedWhenGivenEmpty) {
  Options options;
  std::string message;
  ASSERT_EQ(ParseLine({"--noise"}, options, message), ParseOutcome::Run) << message;
  EXPECT_EQ(options.noiseRate, kDefaultNoiseRate);
  EXPECT_EQ(ParseLine({"--noise="}, options, message), ParseOutcome::Error);
  EXPECT_NE(message.find("not a whole number"), std::string::npos) << message;
}

TEST(LineOptions, LandWhereTheReceiverLooksForThem) {
  Options options;
  std::string message;
  ASSERT_EQ(ParseLine({"--pace", "--latency", "5", "--queue", "3", "--validate", "--seed",
                       "4294967295", "--mismatch", "a.b", "--mismatch", "c.d"},
                      options, message),
            ParseOutcome::Run)
      << message;
  EXPECT_TRUE(options.pace);
  EXPECT_EQ(options.latency, std::chrono::milliseconds(5));
  EXPECT_EQ(options.queue, 3);
  EXPECT_TRUE(options.validate);
  EXPECT_EQ(options.seed, 4294967295u);
  EXPECT_EQ(options.mismatch, (std::set<std::string>{"a.b", "c.d"}));
  EXPECT_TRUE(options.refuse.empty());
  EXPECT_TRUE(options.noAnswer.empty());
}

TEST(Commands, AreReadWholeAndAnythingElseIsRefusedWithAReason) {
  struct Case {
    const char* line;
    Command::Kind kind;
    bool on;
    int rate;
  };
  using K = Command::Kind;
  const Case cases[] = {
      {"silent on", K::Silent, true, 0},
      {"  noise   on  ", K::Noise, true, 0},
      {"noise on 500", K::Noise, true, 500},
      {"noise off", K::Noise, false, 0},
      {"unplug", K::Unplug, false, 0},
      {"   ", K::None, false, 0},
      {"silent maybe", K::Invalid, false, 0},
      {"noise off 500", K::Invalid, false, 0},
      {"noise on 500 600", K::Invalid, false, 0},
      {"noise loud", K::Invalid, false, 0},
      {"unplug now", K::Invalid, false, 0},
      {"reboot", K::Invalid, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const Command command = ParseCommand(c.line);
    EXPECT_EQ(command.kind, c.kind);
    EXPECT_EQ(command.on, c.on);
    EXPECT_EQ(command.rate, c.rate);
    EXPECT_EQ(command.error.empty(), c.kind != K::Invalid) << command.error;
  }
}

}  // namespace
}  // namespace orvane::sim
