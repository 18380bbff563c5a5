#pragma once
// The simulated receiver's behaviour, apart from the terminal it talks through: heartbeats, the
// settings service (read, write, save), the speed of its port, and the failure modes.

#include <chrono>
#include <cstdint>
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
  // The speed the tool set on its end; 0 while nobody holds the line, -1 for a speed this
  // receiver never runs at.
  virtual int PeerBaud() const = 0;
  // Queues the bytes whole, or (line blocked) not at all.
  virtual bool Transmit(std::vector<std::uint8_t> bytes) = 0;
  // Everything queued has been handed to the terminal.
  virtual bool Drained() const = 0;

 protected:
  ~Line() = default;
};

class Simulator {
 public:
  using Clock = std::chrono::steady_clock;

  static constexpr std::uint16_t kSenderId = 0x1A2B;
  static constexpr auto kHeartbeatPeriod = std::chrono::seconds(1);
  static constexpr auto kNoisePeriod = std::chrono::milliseconds(50);

  Simulator(const Options& options, SettingsStore& store, Line& line, std::ostream& out);

  // Bytes the tool sent; heard only when the line runs at this receiver's speed.
  void Receive(std::span<const std::uint8_t> bytes);
  // Heartbeats, noise and a pending speed change, as far as they are due.
  void Poll(Clock::time_point now);
  Clock::time_point NextDeadline() const;

  void SetSilent(bool silent);
  // Noise between frames, at rate bytes per second (0: the --noise rate, else 200).
  void SetNoise(bool on, int rate = 0);
  // The line was hung up: a partial frame will never be completed.
  void LineLost() { parser_.Reset(); }

  int baud() const { return baud_; }
  // Prints an event whether or not frames are logged.
  void Event(const std::string& text);

 private:
  void OnFrame(const Frame& frame);
  void OnSettingWrite(const link::Setting& setting);
  void OnReadRequest(const link::Setting& setting);
  void OnSave();
  void Send(std::uint16_t type, const std::vector<std::uint8_t>& payload,
            const std::string& description);
  void LogFrame(const std::string& text);
  bool Lost();
  void Persist();
  std::vector<std::uint8_t> Noise(std::size_t count);
  static std::string Describe(const link::Setting& setting);

  const Options& options_;
  SettingsStore& store_;
  Line& line_;
  std::ostream& out_;
  FrameParser parser_;
  std::mt19937 random_;
  Clock::time_point started_;
  Clock::time_point nextHeartbeat_;
  Clock::time_point nextNoise_;
  double noiseOwed_ = 0;
  bool silent_;
  bool noise_;
  int noiseRate_;
  int baud_ = 19200;
  std::optional<int> pendingBaud_;
  int lastPeerBaud_ = 0;
};

}  // namespace orvane::sim
