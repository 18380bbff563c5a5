#pragma once
// Writing the configuration: "Write to Orvane" sends the forty-nine settings of the write table,
// one per 250 ms tick (a control's value is taken at its row's own tick), then the settings save
// on the next tick. Accepted answers are tallied and the status line shows the progress.

#include <array>
#include <cstdint>
#include <span>

#include "platform/Controls.h"
#include "platform/SerialLine.h"
#include "platform/Timer.h"

namespace orvane::transfer {

class WriteSequence {
 public:
  static constexpr std::int16_t kRows = 49;

  WriteSequence(platform::CommPort& port, platform::Timer& tmrWrite,
                platform::Controls& controls)
      : port_(port), tmrWrite_(tmrWrite), controls_(controls) {}

  void cmdWrite_Click();
  void tmrWrite_Timer();
  // A verified settings write response frame.
  void OnSettingWriteResponse(std::span<const std::uint8_t> frame);

  std::int16_t writeStep() const { return WriteStep; }
  std::int16_t accepted() const;
  bool done(std::int16_t row) const { return WriteDone.at(row) != 0; }

 private:
  void UpdateWriteProgress();

  platform::CommPort& port_;
  platform::Timer& tmrWrite_;
  platform::Controls& controls_;
  std::int16_t WriteStep = 0;
  std::array<std::int16_t, kRows> WriteDone{};  // -1 true, 0 false
};

}  // namespace orvane::transfer
