// SPDX-License-Identifier: Apache-2.0
#pragma once
// One command on one port, on the event loop: open the connection, find the receiver's speed,
// hand over to the command's run, and end with the port's report. The job owns how a run ends
// (failed, or finished) and the report's last words: the speed, the time taken. Plain C++: it
// runs on whatever its host gives it.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "CommandRun.h"
#include "Connection.h"

namespace orvane::ctl {

class PortJob final {
 public:
  // Runs on target.device through host; done is called, from the event loop, once the job has
  // finished.
  PortJob(const Options& options, const Target& target, JobHost host, std::function<void()> done);
  PortJob(const PortJob&) = delete;
  PortJob& operator=(const PortJob&) = delete;

  void Start();
  bool Finished() const { return finished_; }
  const PortReport& report() const { return report_; }
  std::optional<std::uint16_t> sender() const { return link_.sender(); }
  // Requests settled so far and requests planned so far, for a progress bar.
  std::size_t ProgressDone() const { return link_.ProgressDone(); }
  std::size_t ProgressTotal() const { return link_.ProgressTotal(); }
  // SIGINT or SIGTERM: no new writes; what was written goes back, within 5 s.
  void Interrupt(int signal);
  // The port failed (its device's words): the connection decides what that means.
  void PortFailed(const std::string& reason) { link_.PortFailed(reason); }

 private:
  RunContext Context();
  void OnLost(const Connection::Loss& loss);
  void Fail(ExitCode code, std::string diagnosis);
  void Finish();

  const Options& options_;
  std::function<void()> done_;
  std::function<void(std::chrono::milliseconds, std::function<void()>)> post_;
  std::function<JobHost::Clock::time_point()> now_;
  PortReport report_;
  Connection link_;
  std::unique_ptr<CommandRun> run_;  // once the receiver's speed is known
  JobHost::Clock::time_point started_;
  bool interrupted_ = false;
  bool finished_ = false;
};

}  // namespace orvane::ctl
