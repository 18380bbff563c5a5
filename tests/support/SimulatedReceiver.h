// SPDX-License-Identifier: Apache-2.0
#pragma once
// The real simulated receiver (orvane-sim's Simulator) at the far end of a FakeSerialPort, in
// the test's process and on its virtual clock: heartbeats once a second, the settings service,
// and the speed of its port, which the speed change write moves.
//
// Its line is the port's: while the port is closed nobody holds it; while open, it runs at the
// port's speed. At any speed but the receiver's, what the program hears is what a UART at that
// speed makes of the receiver's bits, with a framing error for each frame on a port that
// reports them; and what the program sends is not heard.

#include <chrono>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

#include "Options.h"
#include "SettingsStore.h"
#include "Simulator.h"
#include "platform/fakes/FakeSerialPort.h"
#include "platform/fakes/VirtualClock.h"

namespace orvane::testing {

class SimulatedReceiver {
 public:
  // baud: the receiver's port speed. phase: its first heartbeat comes this long after
  // construction, then one every second.
  SimulatedReceiver(platform::fakes::VirtualClock& clock, platform::fakes::FakeSerialPort& port,
                    std::int32_t baud,
                    std::chrono::milliseconds phase = std::chrono::milliseconds{500})
      : SimulatedReceiver(clock, port, OptionsAt(baud), phase) {}
  // With orvane-sim's failure modes; options.baud is the receiver's speed (19200 if empty).
  SimulatedReceiver(platform::fakes::VirtualClock& clock, platform::fakes::FakeSerialPort& port,
                    sim::Options options,
                    std::chrono::milliseconds phase = std::chrono::milliseconds{500})
      : state_(std::make_shared<State>(clock, port, std::move(options))) {
    // Switched on (one beat less the phase) before now, so the first beat comes at the phase.
    state_->time.ahead = std::chrono::seconds(1) - phase;
    port.SetResponder([weak = std::weak_ptr(state_)](std::span<const std::uint8_t> frame) {
      if (auto state = weak.lock()) state->sim.Receive(state->line, frame);
    });
    PollLater(state_);
  }
  ~SimulatedReceiver() { state_->port.SetResponder(nullptr); }
  SimulatedReceiver(const SimulatedReceiver&) = delete;
  SimulatedReceiver& operator=(const SimulatedReceiver&) = delete;

  // Heartbeats stop (receiver unplugged or powered off) or resume on the same once-a-second beat.
  void SetHeartbeating(bool on) { state_->sim.SetSilent(!on); }

  // The receiver's port speed now.
  int baud() const { return state_->sim.baud(); }
  // Its settings, and the saves it received.
  const sim::SettingsStore& store() const { return state_->store; }
  // What the receiver did, one event a line, for a failing test's message.
  std::string log() const { return state_->log.str(); }

 private:
  static sim::Options OptionsAt(std::int32_t baud) {
    sim::Options options;
    options.baud = baud;
    return options;
  }

  // The virtual clock as the receiver's time.
  struct VirtualTime final : sim::TimeSource {
    explicit VirtualTime(const platform::fakes::VirtualClock& clock) : clock(clock) {}
    Clock::time_point Now() const override {
      return Clock::time_point(std::chrono::duration_cast<Clock::duration>(clock.Now() + ahead));
    }
    const platform::fakes::VirtualClock& clock;
    std::chrono::milliseconds ahead{0};
  };

  struct State;

  struct PortLine final : sim::Line {
    explicit PortLine(State& state) : state(state) {}
    int PeerBaud() const override {
      return state.port.IsOpen() ? static_cast<int>(state.port.lineSettings().baud) : 0;
    }
    bool Transmit(std::vector<std::uint8_t> bytes) override {
      // At another speed the receiver's frame arrives broken: the UART says so first.
      if (PeerBaud() != state.sim.baud() && state.port.CanReportLineErrors()) {
        state.port.InjectLineError(platform::LineError::Framing);
      }
      state.port.Inject(std::move(bytes));
      return true;
    }
    bool Drained() const override { return true; }
    State& state;
  };

  struct State {
    State(platform::fakes::VirtualClock& clock, platform::fakes::FakeSerialPort& port,
          sim::Options given)
        : clock(clock),
          port(port),
          options(AtSomeSpeed(std::move(given))),
          time(clock),
          line(*this),
          sim(options, store, line, log, time, kSeed) {}

    static sim::Options AtSomeSpeed(sim::Options options) {
      if (!options.baud) options.baud = 19200;
      return options;
    }
    static constexpr std::uint32_t kSeed = 1;

    platform::fakes::VirtualClock& clock;
    platform::fakes::FakeSerialPort& port;
    sim::Options options;
    sim::SettingsStore store;
    std::ostringstream log;
    VirtualTime time;
    PortLine line;
    sim::Simulator sim;
  };

  // The receiver runs whenever it has something due; the clock holds it only weakly.
  static void PollLater(const std::shared_ptr<State>& state) {
    const auto now = state->time.Now();
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(state->sim.NextDeadline() - now);
    state->clock.Post(std::max(wait, std::chrono::milliseconds{0}), [weak = std::weak_ptr(state)] {
      if (auto locked = weak.lock()) {
        locked->sim.Poll(locked->time.Now());
        PollLater(locked);
      }
    });
  }

  std::shared_ptr<State> state_;
};

}  // namespace orvane::testing
