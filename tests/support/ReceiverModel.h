#pragma once
// The receiver at the far end of a FakeSerialPort, as the real one behaves: while powered it sends
// a heartbeat once a second at its own port speed; it answers every settings write it hears with
// a write response (status 0, the setting echoed) and, when "uart1"/"baudrate" is written, moves
// its port to that speed after answering. What the program hears of it goes through the port's
// speed model, so at another speed the program gets noise (and framing errors).

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "platform/fakes/FakeSerialPort.h"
#include "platform/fakes/VirtualClock.h"
#include "support/Frames.h"

namespace orvane::testing {

class ReceiverModel {
 public:
  // baud: the receiver's port speed; nothing means a receiver heard at any speed.
  // phase: the first heartbeat comes this long after construction, then one every second.
  ReceiverModel(platform::fakes::VirtualClock& clock, platform::fakes::FakeSerialPort& port,
                std::optional<std::int32_t> baud,
                std::chrono::milliseconds phase = std::chrono::milliseconds{500})
      : state_(std::make_shared<State>()) {
    port.SetReceiverBaud(baud);
    // The clock keeps the heartbeat running for its whole life: share the state, not this.
    auto state = state_;
    auto beat = [state, &port] {
      if (state->heartbeating) port.ReceiverSends(HeartbeatFrame());
    };
    clock.Post(phase, [&clock, beat] {
      beat();
      clock.Every(std::chrono::milliseconds{1000}, beat);
    });
    port.SetResponder([state, &port](std::span<const std::uint8_t> frame) {
      const Sent sent = Decode({frame.begin(), frame.end()});
      if (!state->answersWrites || sent.type != 0x00A0 || sent.texts.size() != 3) return;
      const auto& section = sent.texts[0];
      const auto& name = sent.texts[1];
      const auto& value = sent.texts[2];
      port.ReceiverSends(WriteResponseFrame(0, section, name, value));
      if (section == "uart1" && name == "baudrate" && state->followsSpeedChange) {
        port.SetReceiverBaud(std::stoi(value));
      }
    });
  }

  // Heartbeats stop (receiver unplugged or powered off) or resume on the same once-a-second beat.
  void SetHeartbeating(bool on) { state_->heartbeating = on; }
  void SetAnswersWrites(bool on) { state_->answersWrites = on; }
  // A receiver that answers the speed change write but keeps its old speed.
  void SetFollowsSpeedChange(bool on) { state_->followsSpeedChange = on; }

 private:
  struct State {
    bool heartbeating = true;
    bool answersWrites = true;
    bool followsSpeedChange = true;
  };
  std::shared_ptr<State> state_;
};

}  // namespace orvane::testing
