// SPDX-License-Identifier: Apache-2.0
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

void FakeSerialPort::Output(std::span<const std::uint8_t> frame) {
  written_.push_back({{frame.begin(), frame.end()}, ToText(settings_)});
  if (open_ && responder_) {
    std::vector<std::uint8_t> copy(frame.begin(), frame.end());
    clock_.Post(VirtualClock::Ms{0}, [this, copy = std::move(copy)] {
      if (responder_) responder_(copy);  // the far end may have gone meanwhile
    });
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

void FakeSerialPort::Deliver(std::vector<std::uint8_t> bytes) {
  if (!open_ || bytes.empty()) return;
  DeliverBytes(bytes);
}

void FakeSerialPort::DeliverError(LineError error) {
  if (!open_ || !reportsLineErrors_) return;
  DeliverLineError(error);
}

}  // namespace orvane::platform::fakes
