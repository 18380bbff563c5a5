#pragma once
// Reading the configuration: "Read From Orvane" sends one read request per 250 ms tick for the
// twelve settings of the read table; each answer that arrives is put into its control and
// tallied, and the status line shows the progress.

#include <array>
#include <cstdint>
#include <span>

#include "platform/Controls.h"
#include "platform/SerialLine.h"
#include "platform/Timer.h"

namespace orvane::transfer {

inline constexpr const char* kCommunicarionsGood = "Communicarions Good";

class ReadSequence {
 public:
  static constexpr std::int16_t kRows = 12;

  ReadSequence(platform::CommPort& port, platform::Timer& tmrRead, platform::Controls& controls)
      : port_(port), tmrRead_(tmrRead), controls_(controls) {}

  void cmdRead_Click();
  void tmrRead_Timer();
  // A verified settings read response frame.
  void OnSettingReadResponse(std::span<const std::uint8_t> frame);

  std::int16_t readStep() const { return ReadStep; }
  std::int16_t answered() const;

 private:
  void UpdateReadProgress();

  platform::CommPort& port_;
  platform::Timer& tmrRead_;
  platform::Controls& controls_;
  std::int16_t ReadStep = 0;
  std::array<std::int16_t, kRows> ReadDone{};  // -1 true, 0 false
};

}  // namespace orvane::transfer
