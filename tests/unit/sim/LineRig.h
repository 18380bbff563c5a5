// SPDX-License-Identifier: Apache-2.0
#pragma once
// The simulated receiver in the test's process on a clock the test moves by hand, behind a line
// that records what it was handed and when. Requests go in as the tool would send them; answers
// come out as frames with the time their last byte left.

#include <chrono>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "FrameParser.h"
#include "Options.h"
#include "SettingsStore.h"
#include "Simulator.h"
#include "link/Frame.h"
#include "link/SettingsMessages.h"
#include "support/Frames.h"

namespace orvane::sim::testing {

using Clock = TimeSource::Clock;

struct ManualTime final : TimeSource {
  Clock::time_point Now() const override { return now; }
  Clock::time_point now = Clock::time_point(std::chrono::hours(1));
};

struct RecordingLine final : Line {
  explicit RecordingLine(const ManualTime& time) : time(time) {}
  int PeerBaud() const override { return peer; }
  bool Transmit(std::vector<std::uint8_t> bytes) override {
    chunks.push_back({time.Now(), std::move(bytes)});
    return true;
  }
  bool Drained() const override { return true; }

  struct Chunk {
    Clock::time_point at;
    std::vector<std::uint8_t> bytes;
  };
  const ManualTime& time;
  int peer = 19200;
  std::vector<Chunk> chunks;
};

struct Answer {
  Clock::time_point at;  // when its last byte was handed to the line
  Frame frame;
};

using ::orvane::testing::Texts;

inline std::vector<std::uint8_t> ReadRequest(const std::string& section, const std::string& name) {
  return link::BuildFrame(link::MsgType::SettingsReadRequest, Texts({section, name}));
}

inline std::vector<std::uint8_t> Write(const std::string& section, const std::string& name,
                                       const std::string& value) {
  return link::BuildFrame(link::MsgType::SettingsWrite, Texts({section, name, value}));
}

class LineRig {
 public:
  // options: silent unless the test says otherwise, so heartbeats stay out of the answers.
  explicit LineRig(Options options, int baud = 19200) : options_(std::move(options)) {
    options_.baud = baud;
    line.peer = baud;
    sim_ = std::make_unique<Simulator>(options_, store, line, log, time, 7);
  }

  void Send(const std::vector<std::uint8_t>& bytes) { sim_->Receive(bytes); }

  // Moves the clock to `to`, polling at every deadline on the way, as orvane-sim's loop does.
  void RunUntil(Clock::time_point to) {
    for (auto next = sim_->NextDeadline(); next <= to; next = sim_->NextDeadline()) {
      time.now = std::max(time.now, next);
      sim_->Poll(time.now);
    }
    time.now = to;
    sim_->Poll(to);
  }
  void RunFor(Clock::duration span) { RunUntil(time.now + span); }

  std::vector<Answer> Answers() const {
    std::vector<Answer> answers;
    Clock::time_point at;
    FrameParser parser([&](const Frame& frame) { answers.push_back({at, frame}); });
    for (const auto& chunk : line.chunks) {
      at = chunk.at;
      parser.Feed(chunk.bytes);
    }
    return answers;
  }

  ManualTime time;
  RecordingLine line{time};
  SettingsStore store;
  std::ostringstream log;

 private:
  Options options_;
  std::unique_ptr<Simulator> sim_;
};

inline Options Silent() {
  Options options;
  options.silent = true;
  return options;
}

}  // namespace orvane::sim::testing
