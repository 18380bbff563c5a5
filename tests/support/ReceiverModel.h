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
      : heartbeating_(std::make_shared<bool>(true)) {
    port.SetReceiverBaud(baud);
    // The clock keeps the heartbeat running for its whole life: share the flag, not this.
    auto beat = [on = heartbeating_, &port] {
      if (*on) port.ReceiverSends(HeartbeatFrame());
    };
    clock.Post(phase, [&clock, beat] {
      beat();
      clock.Every(std::chrono::milliseconds{1000}, beat);
    });
    port.SetResponder([&port](std::span<const std::uint8_t> frame) {
      const Sent sent = Decode({frame.begin(), frame.end()});
      if (sent.type != 0x00A0 || sent.texts.size() != 3) return;
      port.ReceiverSends(WriteResponseFrame(0, sent.texts[0], sent.texts[1], sent.texts[2]));
      if (sent.texts[0] == "uart1" && sent.texts[1] == "baudrate") {
        port.SetReceiverBaud(std::stoi(sent.texts[2]));
      }
    });
  }

  // Heartbeats stop (receiver unplugged or powered off) or resume on the same once-a-second beat.
  void SetHeartbeating(bool on) { *heartbeating_ = on; }

 private:
  std::shared_ptr<bool> heartbeating_;
};

}  // namespace orvane::testing
