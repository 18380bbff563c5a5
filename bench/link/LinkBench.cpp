// SPDX-License-Identifier: Apache-2.0
// The receive path (bytes through FrameReceiver::Receive, CRC and dispatch included) against
// the table-driven Crc16 alone and a plain bit-by-bit CRC-16 over the same bytes; and the receive
// path's worst line, a flood of 0x55, where every byte starts a false frame that has to be checked.
//
// The stream is what the line carries from a receiver that has not yet been told to send only
// our three message types: per second one heartbeat, a few settings answers, the receiver's own
// navigation messages (verified, then ignored), and now and then a burst of line noise.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <span>
#include <string_view>
#include <vector>

#include "link/Checksum.h"
#include "link/Frame.h"
#include "link/FrameReceiver.h"

namespace {

using orvane::link::BuildFrame;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint16_t kReceiver = 0x1234;
constexpr std::size_t kStreamBytes = 256 * 1024;

Bytes Texts(std::initializer_list<std::string_view> texts, int status = -1) {
  Bytes payload;
  if (status >= 0) payload.push_back(static_cast<std::uint8_t>(status));
  for (std::string_view t : texts) {
    payload.insert(payload.end(), t.begin(), t.end());
    payload.push_back(0);
  }
  return payload;
}

Bytes RandomPayload(std::mt19937& rng, std::size_t n) {
  Bytes payload(n);
  for (auto& b : payload) b = static_cast<std::uint8_t>(rng());
  return payload;
}

void Append(Bytes& stream, const Bytes& frame) {
  stream.insert(stream.end(), frame.begin(), frame.end());
}

const Bytes& Stream() {
  static const Bytes stream = [] {
    std::mt19937 rng(1920);
    const Bytes answers[] = {
        BuildFrame(0x00A5, kReceiver, Texts({"ethernet", "ip_address", "192.168.0.222"})),
        BuildFrame(0x00A5, kReceiver, Texts({"solution", "elevation_mask", "10"})),
        BuildFrame(0x00A5, kReceiver, Texts({"surveyed_position", "surveyed_lat", "37.4221"})),
        BuildFrame(0x00AF, kReceiver, Texts({"uart1", "baudrate", "19200"}, 0)),
        BuildFrame(0x00AF, kReceiver, Texts({"tcp_server0", "port", "55555"}, 0)),
        BuildFrame(0x00AF, kReceiver, Texts({"sbp", "obs_msg_max_size", "255"}, 2)),
    };
    Bytes s;
    while (s.size() < kStreamBytes) {
      Append(s, BuildFrame(0xFFFF, kReceiver, Bytes{0, 0, 0, 0}));
      for (int i = 0; i < 4; ++i) Append(s, answers[rng() % std::size(answers)]);
      Append(s, BuildFrame(0x020A, kReceiver, RandomPayload(rng, 34)));   // position
      Append(s, BuildFrame(0x020E, kReceiver, RandomPayload(rng, 22)));   // velocity
      Append(s, BuildFrame(0x004A, kReceiver, RandomPayload(rng, 249)));  // observations
      if (rng() % 4 == 0) Append(s, RandomPayload(rng, 8 + rng() % 56));  // line noise
    }
    return s;
  }();
  return stream;
}

// Receive events as the serial port raises them: a few bytes to a few dozen at a time, or the
// whole 4096-byte input buffer when the program was busy.
std::vector<std::span<const std::uint8_t>> Chunks(std::size_t largest) {
  std::mt19937 rng(static_cast<unsigned>(largest));
  std::vector<std::span<const std::uint8_t>> chunks;
  const Bytes& s = Stream();
  for (std::size_t at = 0; at < s.size();) {
    const std::size_t n = std::min<std::size_t>(1 + rng() % largest, s.size() - at);
    chunks.emplace_back(s.data() + at, n);
    at += n;
  }
  return chunks;
}

struct CountingHandlers final : orvane::link::MessageHandlers {
  std::uint64_t heartbeats = 0, reads = 0, writes = 0, bytes = 0;
  void OnHeartbeat() override { ++heartbeats; }
  void OnSettingReadResponse(std::span<const std::uint8_t> frame) override {
    ++reads;
    bytes += frame.size();
  }
  void OnSettingWriteResponse(std::span<const std::uint8_t> frame) override {
    ++writes;
    bytes += frame.size();
  }
};

void BM_ReceivePath(benchmark::State& state) {
  const auto chunks = Chunks(static_cast<std::size_t>(state.range(0)));
  CountingHandlers handlers;
  orvane::link::FrameReceiver rx(handlers);
  for (auto _ : state) {
    for (const auto& chunk : chunks) rx.Receive(chunk);
    benchmark::DoNotOptimize(handlers);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Stream().size()));
  const auto passes = static_cast<double>(state.iterations());
  state.counters["dispatched/pass"] =
      static_cast<double>(handlers.heartbeats + handlers.reads + handlers.writes) / passes;
  state.counters["events/pass"] = static_cast<double>(chunks.size());
}
BENCHMARK(BM_ReceivePath)->Arg(64)->Arg(4096)->ArgName("largest_event");

// Every byte is a preamble and every length byte 0x55, so each byte starts a false frame of 93
// bytes whose check fails, and the hunt goes on one byte further.
void BM_ReceiveFlood(benchmark::State& state) {
  const Bytes flood(kStreamBytes, orvane::link::kPreamble);
  const auto largest = static_cast<std::size_t>(state.range(0));
  CountingHandlers handlers;
  orvane::link::FrameReceiver rx(handlers);
  for (auto _ : state) {
    for (std::size_t at = 0; at < flood.size(); at += largest) {
      rx.Receive(std::span(flood).subspan(at, std::min(largest, flood.size() - at)));
    }
    benchmark::DoNotOptimize(handlers);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * flood.size()));
}
BENCHMARK(BM_ReceiveFlood)->Arg(64)->Arg(4096)->ArgName("event");

// Crc16 takes 16-bit indices, so the stream goes through it in the largest blocks it accepts.
void BM_Crc16(benchmark::State& state) {
  const Bytes& s = Stream();
  constexpr std::size_t kBlock = 16384;
  for (auto _ : state) {
    std::uint16_t crc = 0;
    for (std::size_t at = 0; at < s.size(); at += kBlock) {
      const auto block = std::span(s).subspan(at, std::min(kBlock, s.size() - at));
      crc ^= orvane::checksum::Crc16(block, 0, static_cast<std::int16_t>(block.size()));
    }
    benchmark::DoNotOptimize(crc);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * s.size()));
}
BENCHMARK(BM_Crc16);

// The yardstick: CRC-16/XMODEM one bit at a time.
void BM_BitwiseCrc16(benchmark::State& state) {
  const Bytes& s = Stream();
  for (auto _ : state) {
    std::uint16_t reg = 0;
    for (std::uint8_t b : s) {
      reg ^= static_cast<std::uint16_t>(b << 8);
      for (int bit = 0; bit < 8; ++bit) {
        reg = (reg & 0x8000U) ? static_cast<std::uint16_t>((reg << 1) ^ 0x1021U)
                              : static_cast<std::uint16_t>(reg << 1);
      }
    }
    benchmark::DoNotOptimize(reg);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * s.size()));
}
BENCHMARK(BM_BitwiseCrc16);

}  // namespace

BENCHMARK_MAIN();
