// SPDX-License-Identifier: Apache-2.0
#pragma once
// The simulated receiver's behaviour, apart from the terminal it talks through: heartbeats, the
// settings service (read, write, save), the speed of its port, and the failure modes.

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "FrameParser.h"
#include "Options.h"
#include "SettingsStore.h"
#include "link/SettingsMessages.h"

namespace orvane::sim {

// What the receiver talks through.
class Line {
 public:
  // A line with no speed at all (a network connection): bytes arrive as they were sent.
  static constexpr int kNoSpeed = -2;

  // The speed the tool set on its end; 0 while nobody holds the line, -1 for a speed this
  // receiver never runs at, kNoSpeed for a line that has none.
  virtual int PeerBaud() const = 0;
  // Queues the bytes whole, or (line blocked) not at all.
  virtual bool Transmit(std::vector<std::uint8_t> bytes) = 0;
  // Everything queued has been handed to the terminal.
  virtual bool Drained() const = 0;
  // The receiver hangs up: a network client is dropped, a terminal unplugged. A line that
  // cannot hang up ignores it.
  virtual void HangUp() {}

 protected:
  ~Line() = default;
};

// Where the receiver's time comes from: the machine's steady clock in orvane-sim, a test's
// virtual clock when the receiver runs inside the test.
class TimeSource {
 public:
  using Clock = std::chrono::steady_clock;
  virtual Clock::time_point Now() const = 0;

 protected:
  ~TimeSource() = default;
};

class SteadyTime final : public TimeSource {
 public:
  Clock::time_point Now() const override { return Clock::now(); }
};

class Simulator {
 public:
  using Clock = TimeSource::Clock;

  static constexpr std::uint16_t kSenderId = 0x1A2B;
  static constexpr auto kHeartbeatPeriod = std::chrono::seconds(1);
  static constexpr auto kNoisePeriod = std::chrono::milliseconds(50);

  // seed: the dropped frames and the noise follow from it, so a run can be repeated.
  Simulator(const Options& options, SettingsStore& store, Line& line, std::ostream& out,
            const TimeSource& time, std::uint32_t seed);
  ~Simulator();

  // One more line to the same receiver (its network port beside its serial one). Heartbeats and
  // noise go out on every line; an answer goes back on the line its request came in on.
  void AddLine(Line& line);

  // Bytes the tool sent on the first line; heard only when it runs at this receiver's speed.
  void Receive(std::span<const std::uint8_t> bytes) { Receive(line_, bytes); }
  void Receive(const Line& from, std::span<const std::uint8_t> bytes);
  // Heartbeats, noise and a pending speed change, as far as they are due.
  void Poll(Clock::time_point now);
  Clock::time_point NextDeadline() const;

  void SetSilent(bool silent);
  // Noise between frames, at rate bytes per second (0: the --noise rate, else 200).
  void SetNoise(bool on, int rate = 0);
  // The line was hung up: a partial frame will never be completed.
  void LineLost() { LineLost(line_); }
  void LineLost(const Line& line);

  int baud() const { return baud_; }
  // Bytes taken from the lines and handed to them, every line together.
  std::uint64_t bytesReceived() const { return bytesReceived_; }
  std::uint64_t bytesSent() const { return bytesSent_; }
  // Prints an event whether or not frames are logged.
  void Event(const std::string& text);

 private:
  struct Port;
  Port* PortOf(const Line& line);
  void OnFrame(Port& from, const Frame& frame);
  // Answers now, or when the request is due; or drops it when too many wait.
  void Schedule(Port& from, const Frame& frame);
  void Answer(Port& from, const Frame& frame);
  void AnswerDue(Clock::time_point now);
  void ReleasePaced(Clock::time_point now);
  // How long one byte takes to go out: the line's pace, or the drip's.
  Clock::duration OutByteTime() const;
  // Hangs up the lines whose answers have all gone out since a hang-up was asked for.
  void HangUpDrained();
  // Hands bytes to the port's line and counts them; false if the line refused them.
  bool Transmit(Port& port, std::vector<std::uint8_t> bytes);
  void OnSettingWrite(const link::Setting& setting);
  void OnReadRequest(const link::Setting& setting);
  void OnSave();
  // To one line, or to every line when to is null.
  void Send(std::uint16_t type, const std::vector<std::uint8_t>& payload,
            const std::string& description, Port* to = nullptr);
  // background: a heartbeat, whose loss is drawn apart from the requests' and answers'.
  void SendOn(Port& port, std::vector<std::uint8_t> frame, const std::string& description,
              bool background);
  void LogFrame(const std::string& text);
  bool Lost(std::mt19937& chance);
  // Whether bytes on a line whose far end runs at peerBaud are heard as sent.
  bool Heard(int peerBaud) const;
  void Persist();
  std::vector<std::uint8_t> Noise(std::size_t count);
  static std::string Describe(const link::Setting& setting);

  const Options& options_;
  SettingsStore& store_;
  Line& line_;
  std::ostream& out_;
  const TimeSource& time_;
  std::vector<std::unique_ptr<Port>> ports_;
  Port* replyTo_ = nullptr;  // the line of the request being answered
  // Requests and answers draw their losses from one generator; heartbeats and noise, which come
  // when the clock says rather than when the tool asks, from another, so that a seeded run
  // loses the same requests and answers whatever the timing.
  std::mt19937 random_;
  std::mt19937 sideRandom_;
  Clock::time_point started_;
  Clock::time_point nextHeartbeat_;
  Clock::time_point nextNoise_;
  double noiseOwed_ = 0;
  bool silent_;
  bool noise_;
  int noiseRate_;
  int baud_ = 19200;
  std::optional<int> pendingBaud_;
  // Requests waiting for their answer, by when it is due.
  struct Request {
    Port* from;
    Frame frame;
  };
  std::multimap<Clock::time_point, Request> waiting_;
  Clock::time_point arrival_{};  // when the frame being parsed has come in whole
  std::uint64_t bytesReceived_ = 0;
  std::uint64_t bytesSent_ = 0;
  int answers_ = 0;  // answers sent, every line together
  // --mismatch settings: the value each held before its first write.
  std::map<std::string, std::string> unaltered_;
};

}  // namespace orvane::sim
