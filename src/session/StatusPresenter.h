// SPDX-License-Identifier: Apache-2.0
#pragma once
// The one place that decides what the operator is shown. The watchdog, the baud-rate search and
// the window's transfers report what happened; the presenter turns each report into the lamp's
// colour and the caption. Every text of the status line is in its source file.

#include <cstddef>
#include <cstdint>

#include "session/StatusLine.h"
#include "session/WindowTransfers.h"
#include "supervision/SupervisionEvents.h"

namespace orvane::session {

class StatusPresenter final : public supervision::SupervisionEvents, public TransferEvents {
 public:
  StatusLine& line() { return line_; }
  const StatusLine& line() const { return line_; }

  void ReceiverNotFound() override;
  void PortNotAvailable(std::int16_t port) override;
  void HeartbeatHeard() override;
  void TestingAt(std::int32_t baud) override;

  void TransferStarted(transfer::Direction direction, std::size_t total) override;
  void TransferProgress(transfer::Direction direction, std::size_t done,
                        std::size_t total) override;

 private:
  StatusLine line_;
};

}  // namespace orvane::session
