// SPDX-License-Identifier: Apache-2.0
// What orvane-sim refuses on its command line and on its standard input, and why; what it takes
// is the end-to-end tests'.

#include <gtest/gtest.h>

#include <optional>
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

TEST(Options, EachRefusalSaysWhyAndTheBoundsAreTaken) {
  const std::pair<std::vector<std::string>, const char*> refused[] = {
      {{"--link", ""}, "--link needs a path"},
      {{"--baud", "14400"}, "unsupported speed: 14400"},
      {{"--mismatch", "nodot"}, "expected SECTION.NAME: nodot"},
      {{"--latency", "60001"}, "--latency takes"},
      {{"--queue", "0"}, "--queue takes"},
      {{"--hang-up-after", "0"}, "--hang-up-after takes"},
      {{"--drip", "10001"}, "--drip takes"},
      {{"--seed", "4294967296"}, "--seed takes"},
      {{"--seed", "+1"}, "--seed takes"},
      {{"--drop", "101"}, "--drop takes"},
      {{"--unplug-pause", "3601"}, "--unplug-pause takes"},
      {{"--tcp", "65536"}, "--tcp takes"},
      {{"--noise="}, "not a whole number"},
      {{"--bogus"}, "unknown or incomplete option: --bogus"},
      {{"stray"}, "unexpected argument: stray"},
  };
  for (const auto& [words, why] : refused) {
    SCOPED_TRACE(words[0]);
    Options options;
    std::string message;
    EXPECT_EQ(ParseLine(words, options, message), ParseOutcome::Error);
    EXPECT_NE(message.find(why), std::string::npos) << message;
  }
  Options options;
  std::string message;
  ASSERT_EQ(ParseLine({"--latency", "60000", "--queue", "1", "--drip", "10000", "--seed",
                       "4294967295", "--drop", "100", "--tcp", "65535", "--validate", "--noise"},
                      options, message),
            ParseOutcome::Run)
      << message;
  EXPECT_EQ(options.queue, 1);
  EXPECT_TRUE(options.validate);
  EXPECT_EQ(options.noiseRate, kDefaultNoiseRate);
}

TEST(NoiseRate, IsReadAndBoundedTheSameOnTheCommandLineAndOnStandardInput) {
  const std::tuple<std::string, std::optional<int>, const char*> cases[] = {
      {"007", 7, ""},
      {std::to_string(kMaxNoiseRate), kMaxNoiseRate, ""},
      {std::to_string(kMaxNoiseRate + 1), std::nullopt, "over"},
      {"99999999999999999999999999", std::nullopt, "over"},
      {"-0", std::nullopt, "sends nothing"},
      {"-99999999999999999999999999", std::nullopt, "negative"},
      {"+5", std::nullopt, "not a whole number"},
      {"-", std::nullopt, "not a whole number"},
  };
  for (const auto& [text, rate, why] : cases) {
    SCOPED_TRACE(text);
    std::string error;
    EXPECT_EQ(ParseNoiseRate(text, error), rate);
    EXPECT_NE(error.find(why), std::string::npos) << error;
    if (!rate) {
      EXPECT_NE(error.find(text), std::string::npos) << error;
    }

    Options options;
    std::string message;
    EXPECT_EQ(ParseLine({"--noise=" + text}, options, message),
              rate ? ParseOutcome::Run : ParseOutcome::Error);
    if (rate) {
      EXPECT_EQ(options.noiseRate, *rate);
    }
    EXPECT_NE(message.find(why), std::string::npos) << message;

    const Command command = ParseCommand("noise on " + text);
    EXPECT_EQ(command.kind, rate ? Command::Kind::Noise : Command::Kind::Invalid);
    EXPECT_EQ(command.rate, rate.value_or(0));
    EXPECT_NE(command.error.find(why), std::string::npos) << command.error;
  }
}

TEST(Commands, AreReadWholeAndAnythingElseIsRefusedWithAReason) {
  using K = Command::Kind;
  const std::tuple<const char*, K, bool> cases[] = {
      {"  noise   on  ", K::Noise, true},
      {"noise off", K::Noise, false},
      {"silent on", K::Silent, true},
      {"unplug", K::Unplug, false},
      {"   ", K::None, false},
      {"silent maybe", K::Invalid, false},
      {"noise off 500", K::Invalid, false},
      {"noise on 500 600", K::Invalid, false},
      {"unplug now", K::Invalid, false},
      {"reboot", K::Invalid, false},
  };
  for (const auto& [line, kind, on] : cases) {
    SCOPED_TRACE(line);
    const Command command = ParseCommand(line);
    EXPECT_EQ(command.kind, kind);
    EXPECT_EQ(command.on, on);
    EXPECT_EQ(command.error.empty(), kind != K::Invalid) << command.error;
  }
}

}  // namespace
}  // namespace orvane::sim
