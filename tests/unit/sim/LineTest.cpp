// SPDX-License-Identifier: Apache-2.0
// The simulated receiver's line on a clock the test moves: bytes at the line rate each way, the
// delay before an answer, and the faults it plays (requests over the queue, refused values,
// seeded losses).

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "LineRig.h"
#include "Pacing.h"

namespace orvane::sim::testing {
namespace {

using namespace std::chrono_literals;

Clock::duration Bytes(std::size_t n, int baud) {
  return std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(static_cast<double>(n) * 10.0 / baud));
}

TEST(PacedOutput, ReleasesATenthOfTheSpeedInBytesEverySecond) {
  for (int baud : {1200, 19200, 230400}) {
    PacedOutput out;
    const auto start = PaceClock::time_point(1h);
    out.Enqueue(std::vector<std::uint8_t>(50'000, 0x55), start);
    std::size_t released = 0;
    for (auto t = start; t <= start + 1s; t += 7ms)
      released += out.Release(t, ByteTime(baud)).size();
    released += out.Release(start + 1s, ByteTime(baud)).size();
    EXPECT_EQ(released, static_cast<std::size_t>(baud / 10)) << baud;
  }
}

TEST(Simulator, AnswersOnceTheRequestHasComeInAndTheLatencyPassedAndEndsAtTheLineRate) {
  const std::tuple<int, bool, std::chrono::milliseconds> cases[] = {
      {19200, false, 5ms}, {1200, true, 0ms}, {19200, true, 5ms}, {230400, true, 5ms}};
  for (const auto& [baud, pace, latency] : cases) {
    SCOPED_TRACE(std::to_string(baud) + (pace ? " paced" : ""));
    Options options = Silent();
    options.pace = pace;
    options.latency = latency;
    LineRig rig(options, baud);
    const auto request = ReadRequest("ethernet", "ip_address");
    const auto sent = rig.time.now;
    rig.Send(request);
    rig.RunFor(2s);
    const auto answers = rig.Answers();
    ASSERT_EQ(answers.size(), 1u) << rig.log.str();
    const auto in = pace ? sent + Bytes(request.size(), baud) + latency : sent + latency;
    const auto done = pace ? in + Bytes(answers[0].frame.bytes.size(), baud) : in;
    EXPECT_LT(std::chrono::abs(answers[0].at - done), 2us);
    // Nothing left before the request's last byte had come in and the latency had passed.
    if (pace) {
      EXPECT_GE(rig.line.chunks.front().at, in + Bytes(1, baud) - 1us);
    }
  }
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
  rig.Send(ReadRequest("ethernet", "gateway"));
  rig.RunFor(150ms);
  std::vector<std::string> names;
  for (const Answer& answer : rig.Answers())
    names.push_back(link::ParseReadResponse(answer.frame.bytes).name);
  EXPECT_EQ(names, (std::vector<std::string>{"ip_address", "netmask", "gateway"}));
  EXPECT_NE(rig.log.str().find("dropped"), std::string::npos) << rig.log.str();
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
    EXPECT_EQ(link::ParseWriteResponse(answers[0].frame.bytes).status, validate ? 1 : 0);
    EXPECT_EQ(rig.store.Get("solution", "elevation_mask"), validate ? before : "91");
    EXPECT_EQ(link::ParseWriteResponse(answers[1].frame.bytes).status, 0);
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
