// SPDX-License-Identifier: Apache-2.0
#pragma once
// Finds the speed a receiver talks at by asking it, for a front end that cannot wait for the
// window's fifteen silent seconds (a command-line tool).
//
// The quick pass asks for one setting at each speed the window searches, 19200 first, then from
// the fastest down. Each request waits only for its frames to cross the line and a slack, and
// gets no second try. Its answer finds the speed, and so does any other frame heard meanwhile (a
// heartbeat is taken when it comes, never waited for). When the quick pass heard bytes but no
// frame, something is on the line: a second pass gives 19200 a heartbeat's time (three tries of
// at least 400 ms) and asks at the others once more, so that a lost frame or a receiver that
// does not answer for the probed setting costs time instead of the receiver. When that pass
// heard more bytes and still no frame, bytes are still coming: the first speed gets a few more
// long looks while they keep coming, for a receiver whose frames arrive slowly.
//
// It also knows when a receiver that sends heartbeats must have sent one: a heartbeat period,
// the frame's line time and a slack after the line was last set or opened.
//
// Plain C++: the owner moves the line and runs the reads; timers measure the period.

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/LineDiagnosis.h"
#include "platform/Timer.h"
#include "transfer/SettingsTransfer.h"

namespace orvane::session {

class SpeedFinder {
 public:
  // The speeds tried, in order.
  static constexpr const auto& kSpeeds = platform::kReceiverSpeeds;
  // A setting every receiver has, asked for at each speed tried.
  static constexpr const char* kProbeSection = "uart1";
  static constexpr const char* kProbeName = "baudrate";

  struct Owner {
    // Moves the line to this speed; nothing heard before may finish a frame after.
    std::function<void(std::int32_t baud)> setSpeed;
    // Reads one setting with this policy; answered(true) once it was read. Called back from the
    // event loop, never from inside the call.
    std::function<void(const transfer::SettingKey& key, const transfer::TransferPolicy& policy,
                       std::function<void(bool answered)> answered)>
        read;
  };

  // heard counts what the line brought over the whole run and must outlive this. base: the
  // owner's policy, whose pacing and time-out the probes start from.
  SpeedFinder(platform::LineDiagnosis& heard, const platform::TimerFactory& timers, Owner owner,
              transfer::TransferPolicy base);
  ~SpeedFinder();
  SpeedFinder(const SpeedFinder&) = delete;
  SpeedFinder& operator=(const SpeedFinder&) = delete;

  // The line has been opened at its present settings (a TCP link, which has no speed).
  void LineOpened();
  // Moves the line to baud.
  void SetSpeed(std::int32_t baud);
  std::optional<std::int32_t> speed() const { return speed_; }
  // The owner's policy at the present speed.
  transfer::TransferPolicy Policy() const;

  // Tries the speeds: found(true) with the line at the speed a frame was heard at, found(false)
  // when none was heard at any.
  void Find(std::function<void(bool found)> found);
  // Reads key at the present speed for a heartbeat's time: heard(true) when it was read or any
  // frame came meanwhile (a setting may be one the receiver never answers for).
  void Look(const transfer::SettingKey& key, std::function<void(bool heard)> heard);
  // done() once a heartbeat has been heard, or a heartbeat period has passed at the present
  // speed without one; the time already spent there counts. Called from a timer's tick.
  void ListenForHeartbeat(std::function<void()> done);

 private:
  enum class Pass : std::uint8_t { Quick, Again };
  // After both passes: bytes still coming but no frame may be a receiver that sends its bytes
  // slowly, whose frames take longer than any probe's wait to arrive whole, and whose partial
  // frame each change of speed throws away. It gets a few more long looks at the first speed
  // while bytes keep coming.
  void Linger(int looks, std::function<void(bool)> found);
  enum class Wait : std::uint8_t { Quick, Long };

  void Probe(Pass pass, std::size_t step, std::function<void(bool)> found);
  transfer::TransferPolicy ProbePolicy(Wait wait) const;
  void RestartHeartbeatPeriod();
  void EndListening();

  platform::LineDiagnosis& heard_;
  Owner owner_;
  transfer::TransferPolicy base_;
  std::optional<std::int32_t> speed_;
  std::unique_ptr<platform::Timer> period_;  // one heartbeat period at the present speed
  std::unique_ptr<platform::Timer> soon_;    // leaves the frame receiver before done() runs
  bool periodOver_ = false;
  std::uint64_t passBytes_ = 0;  // bytes counted when the pass under way began
  std::function<void()> listening_;
};

}  // namespace orvane::session
