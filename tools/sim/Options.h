// SPDX-License-Identifier: Apache-2.0
#pragma once
// orvane-sim's command line.

#include <chrono>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace orvane::sim {

struct Options {
  std::string link;                // the stable path the tool opens
  std::optional<int> baud;         // the receiver's speed; else the kept store's, else 19200
  std::string stateFile;           // keeps the store across runs; rewritten after every change
  bool silent = false;             // no heartbeats
  std::set<std::string> refuse;    // "section.name": writes answered with status 2
  std::set<std::string> noAnswer;  // "section.name": reads and writes left unanswered
  int dropPercent = 0;             // frames lost, each way
  int noiseRate = 0;               // random bytes per second between frames; 0 none
  bool log = false;                // every frame received and sent, readable
  std::chrono::milliseconds unplugPause{3000};
  int tcpPort = 0;    // also serve the receiver on 127.0.0.1 at this port; 0: not at all
  bool pace = false;  // bytes each way at the line rate, 10 bits a byte
  std::chrono::milliseconds latency{0};    // from a request's last byte to its answer
  std::optional<int> queue;                // requests waiting for their answer; more are dropped
  bool validate = false;                   // refuse values a receiver would refuse (status 1)
  std::optional<std::uint32_t> seed;       // drops and noise repeat from run to run
  std::set<std::string> mismatch;          // "section.name": writes accepted but kept altered
  std::set<std::string> unansweredWrites;  // "section.name": writes taken, their answers lost
  // When the receiver hangs up the line a request came in on (--hang-up-after).
  struct HangUp {
    std::set<std::string> settings;  // "section.name": right after accepting a write of it
    bool save = false;               // right after a save
    std::optional<int> answers;      // right after its Nth answer
  } hangUp;
  std::chrono::milliseconds drip{0};  // one byte out every so often, whatever the speed; 0: off
};

inline constexpr int kDefaultNoiseRate = 200;  // random bytes per second
// The fastest real line carries 23,040 bytes a second; noise up to some forty times that floods
// the tool harder than any receiver could, and each 50 ms batch (50,000 bytes at most) still fits
// the transmit queue whole.
inline constexpr int kMaxNoiseRate = 1'000'000;

// A noise rate as given on the command line or on standard input: a whole number of bytes per
// second from 1 to kMaxNoiseRate. Otherwise nullopt, and error says why.
std::optional<int> ParseNoiseRate(std::string_view text, std::string& error);

// The speeds the simulated port can run at.
bool IsSupportedBaud(int baud);

// The link path used when --link is not given: $XDG_RUNTIME_DIR/orvane-sim, else
// /tmp/orvane-sim.
std::string DefaultLink();

enum class ParseOutcome { Run, Help, Error };

// Fills options; on Error, message says why. Help and Error leave the usage text in message.
ParseOutcome ParseOptions(int argc, char** argv, Options& options, std::string& message);

}  // namespace orvane::sim
