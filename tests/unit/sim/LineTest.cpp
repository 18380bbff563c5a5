// SPDX-License-Identifier: Apache-2.0
// The simulated receiver's line: bytes at the line rate each way, the delay before an answer,
// the limit on requests waiting, the values it refuses, the writes it keeps altered, and its
// byte counts. All on a clock the test moves.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "LineRig.h"
#include "Pacing.h"

namespace orvane::sim::testing {
namespace {

using namespace std::chrono_literals;

constexpr std::uint8_t kAccepted = 0;
constexpr std::uint8_t kValueRejected = 1;

// The time n bytes take at baud, ten bits each, as a real line would.
Clock::duration Bytes(std::size_t n, int baud) {
  return std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(static_cast<double>(n) * 10.0 / baud));
}

void ExpectNear(Clock::time_point at, Clock::time_point expected) {
  EXPECT_LT(std::chrono::abs(at - expected), 2us)
      << "off by " << std::chrono::duration<double, std::micro>(at - expected).count() << " us";
}

TEST(PacedOutput, ReleasesATenthOfTheSpeedInBytesEverySecond) {
  for (int baud : {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400}) {
    SCOPED_TRACE(baud);
    PacedOutput out;
    const auto start = PaceClock::time_point(1h);
    out.Enqueue(std::vector<std::uint8_t>(50'000, 0x55), start);
    std::size_t released = 0;
    for (auto t = start; t <= start + 1s; t += 7ms)
      released += out.Release(t, ByteTime(baud)).size();
    released += out.Release(start + 1s, ByteTime(baud)).size();
    EXPECT_EQ(released, static_cast<std::size_t>(baud / 10));
  }
}

struct PaceCase {
  int baud;
  bool pace;
  std::chrono::milliseconds latency;
};

TEST(Simulator, AnswersOnceTheRequestHasComeInAndTheLatencyPassedAndEndsAtTheLineRate) {
  const PaceCase cases[] = {
      {19200, false, 0ms}, {19200, false, 5ms}, {1200, true, 0ms},
      {19200, true, 0ms},  {19200, true, 5ms},  {230400, true, 5ms},
  };
  for (const PaceCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.baud) + (c.pace ? " paced" : "") + " latency " +
                 std::to_string(c.latency.count()));
    Options options = Silent();
    options.pace = c.pace;
    options.latency = c.latency;
    LineRig rig(options, c.baud);
    const auto request = ReadRequest("ethernet", "ip_address");
    const auto sent = rig.time.now;
    rig.Send(request);
    rig.RunFor(2s);
    const auto answers = rig.Answers();
    ASSERT_EQ(answers.size(), 1u) << rig.log.str();
    const std::size_t answerBytes = answers[0].frame.bytes.size();
    const auto expected =
        c.pace ? sent + Bytes(request.size(), c.baud) + c.latency + Bytes(answerBytes, c.baud)
               : sent + c.latency;
    ExpectNear(answers[0].at, expected);
    if (c.pace) {
      // Nothing left before the request's last byte had come in and the latency had passed.
      ASSERT_FALSE(rig.line.chunks.empty());
      EXPECT_GE(rig.line.chunks.front().at,
                sent + Bytes(request.size(), c.baud) + c.latency + Bytes(1, c.baud) - 1us);
    }
  }
}

TEST(Simulator, PacedAnswersToRequestsSentTogetherLeaveBackToBack) {
  Options options = Silent();
  options.pace = true;
  LineRig rig(options, 9600);
  const auto first = ReadRequest("solution", "elevation_mask");
  const auto second = ReadRequest("ethernet", "netmask");
  std::vector<std::uint8_t> both(first);
  both.insert(both.end(), second.begin(), second.end());
  const auto sent = rig.time.now;
  rig.Send(both);
  rig.RunFor(1s);
  const auto answers = rig.Answers();
  ASSERT_EQ(answers.size(), 2u);
  // The second answer waits for the first on the line, though its request came in earlier.
  const auto firstDone =
      sent + Bytes(first.size(), 9600) + Bytes(answers[0].frame.bytes.size(), 9600);
  ExpectNear(answers[0].at, firstDone);
  ExpectNear(answers[1].at, firstDone + Bytes(answers[1].frame.bytes.size(), 9600));
}

TEST(Simulator, DropsRequestsBeyondTheQueueAndTakesMoreOnceItHasRoom) {
  Options options = Silent();
  options.latency = 100ms;
  options.queue = 2;
  LineRig rig(options);
  for (const char* name : {"ip_address", "netmask", "gateway", "interface_mode"}) {
    rig.Send(ReadRequest("ethernet", name));
  }
  rig.RunFor(150ms);
  auto answers = rig.Answers();
  ASSERT_EQ(answers.size(), 2u);
  EXPECT_EQ(link::ParseReadResponse(answers[0].frame.bytes).name, "ip_address");
  EXPECT_EQ(link::ParseReadResponse(answers[1].frame.bytes).name, "netmask");
  EXPECT_NE(rig.log.str().find("dropped"), std::string::npos) << rig.log.str();

  rig.Send(ReadRequest("ethernet", "gateway"));
  rig.RunFor(150ms);
  answers = rig.Answers();
  ASSERT_EQ(answers.size(), 3u);
  EXPECT_EQ(link::ParseReadResponse(answers[2].frame.bytes).name, "gateway");
}

TEST(Simulator, AnAlteredWriteIsAcceptedWithItsValueButReadsBackDifferent) {
  Options options = Silent();
  options.mismatch = {"surveyed_position.surveyed_lat"};
  LineRig rig(options);
  rig.Send(Write("surveyed_position", "surveyed_lat", "12.5"));
  rig.Send(Write("surveyed_position", "surveyed_lon", "3.25"));
  rig.Send(ReadRequest("surveyed_position", "surveyed_lat"));
  rig.Send(ReadRequest("surveyed_position", "surveyed_lon"));
  const auto answers = rig.Answers();
  ASSERT_EQ(answers.size(), 4u);
  const auto lat = link::ParseWriteResponse(answers[0].frame.bytes);
  EXPECT_EQ(lat.status, kAccepted);
  EXPECT_EQ(lat.setting.value, "12.5");
  EXPECT_NE(link::ParseReadResponse(answers[2].frame.bytes).value, "12.5");
  EXPECT_EQ(link::ParseReadResponse(answers[3].frame.bytes).value, "3.25");
}

TEST(Simulator, ValidatingRefusesABadValueWithStatusOneAndKeepsTheOldValue) {
  for (bool validate : {false, true}) {
    SCOPED_TRACE(validate);
    Options options = Silent();
    options.validate = validate;
    LineRig rig(options);
    const auto before = rig.store.Get("solution", "elevation_mask");
    rig.Send(Write("solution", "elevation_mask", "91"));
    rig.Send(Write("solution", "enable_glonass", "True"));
    const auto answers = rig.Answers();
    ASSERT_EQ(answers.size(), 2u);
    const auto refused = link::ParseWriteResponse(answers[0].frame.bytes);
    EXPECT_EQ(refused.status, validate ? kValueRejected : kAccepted);
    EXPECT_EQ(rig.store.Get("solution", "elevation_mask"), validate ? before : "91");
    EXPECT_EQ(link::ParseWriteResponse(answers[1].frame.bytes).status, kAccepted);
  }
}

TEST(Simulator, ASeededRunLosesTheSameRequestsAndAnswersWhateverTheHeartbeatsBetweenThem) {
  std::vector<std::vector<std::string>> answered;
  for (auto pause : {Clock::duration(0), Clock::duration(1100ms)}) {
    Options options;  // heartbeats on: between requests only when the test pauses
    options.dropPercent = 30;
    LineRig rig(options);
    for (int i = 0; i < 40; ++i) {
      rig.Send(ReadRequest("nmea", "rate" + std::to_string(i)));
      rig.RunFor(pause);
    }
    std::vector<std::string> names;
    for (const Answer& answer : rig.Answers()) {
      if (answer.frame.type == static_cast<std::uint16_t>(link::MsgType::SettingsReadResponse)) {
        names.push_back(link::ParseReadResponse(answer.frame.bytes).name);
      }
    }
    answered.push_back(names);
  }
  EXPECT_EQ(answered[0], answered[1]);
  EXPECT_LT(answered[0].size(), 40u);  // some were lost
  EXPECT_GT(answered[0].size(), 0u);
}

}  // namespace
}  // namespace orvane::sim::testing
