// SPDX-License-Identifier: Apache-2.0
#pragma once
// Line-error totals a test sets by hand, in place of the system's counters.

#include <memory>
#include <utility>

#include "platform/qt/LineErrorCounter.h"

namespace orvane::platform::qt {

class ScriptedCounts final : public LineCountSource {
 public:
  struct State {
    bool present = false;  // false: the device keeps no counters
    LineCounts counts;
    int reads = 0;
    qintptr preparedHandle = -1;
  };

  explicit ScriptedCounts(std::shared_ptr<State> state) : state_(std::move(state)) {}

  void Prepare(qintptr handle) override { state_->preparedHandle = handle; }
  std::optional<LineCounts> Read(qintptr) override {
    ++state_->reads;
    if (!state_->present) return std::nullopt;
    return state_->counts;
  }

 private:
  std::shared_ptr<State> state_;
};

}  // namespace orvane::platform::qt
