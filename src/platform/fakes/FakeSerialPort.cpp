#include "platform/fakes/FakeSerialPort.h"

#include <utility>

namespace orvane::platform::fakes {

bool FakeSerialPort::SetLineSettings(const LineSettings& settings) {
  settings_ = settings;
  return true;
}

bool FakeSerialPort::Open() {
  if (open_) return true;
  const bool exists = !available_ || available_->contains(commPort_);
  if (!exists || openRefused_ || unplugged_) return false;
  open_ = true;
  ++opens_;
  return true;
}

void FakeSerialPort::Close() {
  if (!open_) return;
  open_ = false;
}

void FakeSerialPort::Unplug() {
  unplugged_ = true;
  Close();
}

bool FakeSerialPort::SpeedsMatch() const {
  return !receiverBaud_ || settings_.baud == *receiverBaud_;
}

void FakeSerialPort::Output(std::span<const std::uint8_t> frame) {
  const bool heard = open_ && SpeedsMatch();
  written_.push_back({{frame.begin(), frame.end()}, ToText(settings_), commPort_, heard});
  if (heard && responder_) {
    std::vector<std::uint8_t> copy(frame.begin(), frame.end());
    clock_.Post(VirtualClock::Ms{0}, [this, copy = std::move(copy)] { responder_(copy); });
  }
}

void FakeSerialPort::Inject(std::vector<std::uint8_t> bytes) {
  if (clock_.InHandler()) {
    clock_.Post(VirtualClock::Ms{0},
                [this, bytes = std::move(bytes)]() mutable { Deliver(std::move(bytes)); });
  } else {
    Deliver(std::move(bytes));
  }
}

void FakeSerialPort::InjectLineError(LineError error) {
  if (clock_.InHandler()) {
    clock_.Post(VirtualClock::Ms{0}, [this, error] { DeliverError(error); });
  } else {
    DeliverError(error);
  }
}

void FakeSerialPort::ReceiverSends(std::span<const std::uint8_t> bytes) {
  if (SpeedsMatch()) {
    Inject({bytes.begin(), bytes.end()});
    return;
  }
  // At the wrong speed the bits land as garbage, roughly one byte for every two sent, and a
  // port that can tell framing errors reports one.
  std::vector<std::uint8_t> noise;
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    noiseSeed_ = noiseSeed_ * 1103515245U + 12345U;
    noise.push_back(static_cast<std::uint8_t>(noiseSeed_ >> 16));
  }
  Inject(std::move(noise));
  if (reportsLineErrors_) InjectLineError(LineError::Framing);
}

void FakeSerialPort::Deliver(std::vector<std::uint8_t> bytes) {
  if (!open_ || bytes.empty()) return;
  DeliverBytes(bytes);
}

void FakeSerialPort::DeliverError(LineError error) {
  if (!open_ || !reportsLineErrors_) return;
  DeliverLineError(error);
}

}  // namespace orvane::platform::fakes
