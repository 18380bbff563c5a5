// SPDX-License-Identifier: Apache-2.0
#pragma once
// One receiver's port as a command holds it: opened, at the receiver's speed, one transfer at a
// time, the receiver found again after a setting that can cut the link (at the speed just
// written, over a new TCP connection, or by a fresh search), and what the line showed, in words.
//
// Every continuation runs from the event loop, never from inside the transfer that just finished,
// so a transfer is never replaced while it runs. A step that was overtaken (Overtake: a lost
// port, an interrupt) finds its epoch gone and is dropped; once the connection has ended, nothing
// scheduled on it runs.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ApplyPlan.h"
#include "Engine.h"
#include "Options.h"
#include "WatchedPort.h"
#include "platform/CommPort.h"
#include "platform/Timer.h"
#include "session/LinkCore.h"
#include "session/SpeedFinder.h"
#include "transfer/SettingsTransfer.h"

namespace orvane::ctl {

// What a port's job runs on: its port, timers, the event loop and the clock. orvanectl gives it
// a Qt port on Qt's event loop; tests give it a simulated receiver on virtual time.
struct JobHost {
  using Clock = std::chrono::steady_clock;
  platform::CommPort& port;
  platform::TimerFactory timers;
  // Runs step on the event loop, delay from now (zero: as soon as the loop is back).
  std::function<void(std::chrono::milliseconds delay, std::function<void()> step)> post;
  std::function<Clock::time_point()> now;
  // Why the port could not be opened, in the device's words.
  std::function<std::string()> openFailure;
};

class Connection final {
 public:
  using Results = std::vector<transfer::ItemResult>;
  using Then = std::function<void(Results)>;
  using Step = std::function<void()>;
  // An item's answer has come, while the transfer goes on.
  using Answered = std::function<void(std::size_t item, const transfer::ItemResult& result)>;
  // The port failed where no new connection was expected to mend it.
  struct Loss {
    std::string reason;  // the device's own words
    std::string words;   // what a report says of it
    // The setting that can cut the link, written over TCP just before the loss, if any.
    const transfer::ProfileSetting* cut = nullptr;
  };
  using Lost = std::function<void(const Loss& loss)>;
  // Where the receiver is after a setting that can cut the link was written.
  enum class AfterCut : std::uint8_t {
    Answering,  // heard again (at the new speed, over a new connection, or found by a search)
    Silent,     // not heard again where it should be
    NotFound,   // not heard, and a search found it nowhere
  };

  // The owner reports the port's failures (PortFailed).
  Connection(const Options& options, const Target& target, JobHost host, Lost lost);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Opens the port at the speed to start with; on failure, says why.
  std::optional<std::string> Open();
  // Finds the receiver's speed, unless there is none to find (TCP, or --baud given).
  void FindSpeed(std::function<void(bool found)> then);
  void ListenForHeartbeat(Step then) { finder_->ListenForHeartbeat(std::move(then)); }
  void Transfer(transfer::Direction direction, std::vector<transfer::TransferItem> items,
                const transfer::TransferPolicy& policy, Then then, Answered answered = nullptr);
  void Read(const std::vector<SettingName>& names, Then then);
  // The writes from now on may cut the link (row, which must outlive them): over TCP a drop is
  // then their effect, and the link is made again.
  void ExpectCut(const transfer::ProfileSetting& row);
  // A drop from now on is a loss, whatever was written last.
  void ForgetCut() { cutting_ = nullptr; }
  // Writes one setting alone: nothing else is on the line when it takes effect.
  void WriteAlone(const transfer::ProfileSetting& row, Then then, Answered answered = nullptr);
  // Looks for the receiver where it should answer after row was written.
  void Confirm(const transfer::ProfileSetting& row, std::function<void(AfterCut)> then);
  // The port again after a loss: closed and opened anew. false: it cannot be opened yet.
  bool Reopen();
  void SendSave();
  // The transfer under way sends nothing more; what is on the line may still be answered.
  void StopTransfer();
  // Where each item of the transfer under way stands now (a request on the line: Awaiting).
  Results SoFar() const;
  // The steps scheduled so far are dropped.
  void Overtake() { ++epoch_; }
  void Later(Step step) { After(std::chrono::milliseconds(0), std::move(step)); }
  void After(std::chrono::milliseconds delay, Step step);
  // No more traffic: the transfer under way stops and nothing scheduled runs.
  void End();
  // The device failed, or the connection was refused or dropped, and the port has closed.
  void PortFailed(const std::string& reason);

  bool overTcp() const { return overTcp_; }
  const Target& target() const { return target_; }
  transfer::TransferPolicy Policy() const { return finder_->Policy(); }
  // What the line showed, in words, with what the answers' timing adds to it.
  std::string Diagnosis() const;
  // What went wrong after row, a setting that can cut the link, was written.
  std::string LostAfter(const transfer::ProfileSetting& row) const;
  // Not one value read, and not one frame heard.
  bool NothingHeard(const Results& results) const;
  // Notes answers that all came too late; true when they did.
  bool NoteSlowAnswers(const Results& results);
  std::optional<std::uint16_t> sender() const { return watched_.sender(); }
  // Any verified frame from the receiver, over the whole run.
  bool Heard() const { return watched_.frames() > 0; }
  // The speed the receiver was heard at; none over TCP.
  std::optional<std::int32_t> HeardSpeed() const;

  // Requests settled so far and requests planned so far, for a progress bar.
  std::size_t ProgressDone() const;
  std::size_t ProgressTotal() const { return std::max(progressTotal_, progressExpected_); }
  // What the command is expected to send from now on, so the bar does not run back between
  // steps.
  void ExpectRequests(std::size_t count) { progressExpected_ = progressTotal_ + count; }

 private:
  void ReadWith(const std::vector<SettingName>& names, const transfer::TransferPolicy& policy,
                Then then);
  void Reconnect();
  bool AnswersTooSlow(const Results& results) const;

  const Options& options_;
  Target target_;
  JobHost host_;
  Lost lost_;
  bool overTcp_;
  WatchedPort watched_;
  std::unique_ptr<session::LinkCore> core_;
  transfer::SettingsTransfer* transfer_ = nullptr;
  std::unique_ptr<session::SpeedFinder> finder_;
  std::size_t progressBefore_ = 0;
  std::size_t progressTotal_ = 0;
  std::size_t progressExpected_ = 0;
  std::uint64_t epoch_ = 0;
  bool ended_ = false;
  bool reconnecting_ = false;
  bool slow_ = false;  // answers came, but none within its time-out
  // A setting that can cut the link is being written and confirmed: over TCP a drop then is
  // expected, and the link is made again (at most kReconnects times for one setting).
  const transfer::ProfileSetting* cutting_ = nullptr;
  int reconnects_ = 0;
};

}  // namespace orvane::ctl
