// SPDX-License-Identifier: Apache-2.0
// The simulated receiver's side of its lines: bytes taken in and handed out, at the line rate
// when paced, and the requests waiting for their answers.

#include <algorithm>
#include <iterator>

#include "SimulatorPort.h"

namespace orvane::sim {

void Simulator::LineLost(const Line& line) {
  Port* port = PortOf(line);
  if (port == nullptr) return;
  port->parser.Reset();
  port->out.Clear();
  port->hangUpDue = false;
  port->hangUpAt.reset();
  // Nobody is left to hear the answers to what came in on it.
  std::erase_if(waiting_, [port](const auto& entry) { return entry.second.from == port; });
}

void Simulator::Receive(const Line& from, std::span<const std::uint8_t> bytes) {
  Port* port = PortOf(from);
  if (port == nullptr) return;
  bytesReceived_ += bytes.size();
  const int peer = from.PeerBaud();
  if (!Heard(peer)) {
    LogFrame("rx " + std::to_string(bytes.size()) + " bytes ignored: line at " +
             std::to_string(peer) + " baud, receiver at " + std::to_string(baud_));
    port->parser.Reset();
    return;
  }
  const auto bad = port->parser.badFrames();
  const auto now = time_.Now();
  if (options_.pace) {
    // Byte by byte, so that a frame is known to have come in when its own last byte has.
    const auto byteTime = ByteTime(baud_);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      arrival_ = port->in.Take(now, byteTime);
      port->parser.Feed(bytes.subspan(i, 1));
    }
  } else {
    arrival_ = now;
    port->parser.Feed(bytes);
  }
  if (port->parser.badFrames() != bad) {
    LogFrame("rx " + std::to_string(port->parser.badFrames() - bad) +
             " frame(s) with a bad checksum");
  }
}

void Simulator::Schedule(Port& from, const Frame& frame) {
  if (from.hangUpDue) return;  // about to hang up: gone already, as far as the tool can tell
  const auto due = arrival_ + options_.latency;
  if (waiting_.empty() && due <= time_.Now()) {
    Answer(from, frame);
    return;
  }
  if (options_.queue) {
    // The requests this one finds still unanswered when it has come in.
    const auto ahead = std::distance(waiting_.upper_bound(arrival_), waiting_.end());
    if (ahead >= *options_.queue) {
      Event("request dropped: " + std::to_string(ahead) + " already waiting");
      return;
    }
  }
  waiting_.emplace(due, Request{&from, frame});
}

void Simulator::AnswerDue(Clock::time_point now) {
  while (!waiting_.empty() && waiting_.begin()->first <= now) {
    auto request = waiting_.extract(waiting_.begin());
    Answer(*request.mapped().from, request.mapped().frame);
  }
}

bool Simulator::Transmit(Port& port, std::vector<std::uint8_t> bytes) {
  const std::size_t count = bytes.size();
  if (!port.line.Transmit(std::move(bytes))) return false;
  bytesSent_ += count;
  return true;
}

Simulator::Clock::duration Simulator::OutByteTime() const {
  return options_.drip.count() > 0 ? Clock::duration(options_.drip) : ByteTime(baud_);
}

void Simulator::HangUpDrained() {
  constexpr auto kGrace = std::chrono::milliseconds(50);
  const auto now = time_.Now();
  for (auto& port : ports_) {
    if (!port->hangUpDue || !port->out.empty() || !port->line.Drained()) continue;
    if (!port->hangUpAt) port->hangUpAt = now + kGrace;
    if (now < *port->hangUpAt) continue;
    port->hangUpDue = false;
    port->hangUpAt.reset();
    Event("hanging up, as --hang-up-after asks");
    LineLost(port->line);
    port->line.HangUp();
  }
}

void Simulator::ReleasePaced(Clock::time_point now) {
  const auto byteTime = OutByteTime();
  for (auto& port : ports_) {
    auto bytes = port->out.Release(now, byteTime);
    const std::size_t count = bytes.size();
    if (count > 0 && !Transmit(*port, std::move(bytes))) {
      LogFrame("tx blocked: " + std::to_string(count) + " bytes");
    }
  }
}

Simulator::Clock::time_point Simulator::NextDeadline() const {
  auto next = std::min(nextHeartbeat_, nextNoise_);
  if (!waiting_.empty()) next = std::min(next, waiting_.begin()->first);
  const auto byteTime = OutByteTime();
  for (const auto& port : ports_) {
    if (port->hangUpAt) next = std::min(next, *port->hangUpAt);
    if (!port->out.empty()) next = std::min(next, port->out.NextRelease(byteTime));
  }
  return next;
}

}  // namespace orvane::sim
