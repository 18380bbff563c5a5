// SPDX-License-Identifier: Apache-2.0
#pragma once
// What one command does on a receiver once its speed is known: one run per command, on the
// port job's connection, filling in the port's report. A run ends the job through its context,
// never by itself; the job then asks it to settle its report.

#include <functional>
#include <memory>
#include <string>

#include "Connection.h"
#include "Report.h"

namespace orvane::ctl {

struct RunContext {
  const Options& options;
  Connection& link;
  PortReport& report;
  std::function<void(ExitCode code, std::string diagnosis)> fail;  // ends the job, failed
  std::function<void()> finish;                                    // ends the job
};

class CommandRun {
 public:
  explicit CommandRun(RunContext context) : ctx_(std::move(context)) {}
  virtual ~CommandRun() = default;
  CommandRun(const CommandRun&) = delete;
  CommandRun& operator=(const CommandRun&) = delete;

  virtual void Start() = 0;
  // SIGINT or SIGTERM (why names it). A run that has changed nothing just ends.
  virtual void Interrupt(const std::string& why) { ctx_.fail(ctx_.report.exit, why); }
  // The port went, and no new connection mends it.
  virtual void Lost(const Connection::Loss& loss);
  // The run was cut short: each setting says how far it got. A setting never read is
  // unanswered.
  virtual void CutShort();
  // The report is about to be final.
  virtual void Settle() {}

 protected:
  RunContext ctx_;
};

// The run of the options' command; nullptr for commands that need no receiver.
std::unique_ptr<CommandRun> MakeRun(RunContext context);

}  // namespace orvane::ctl
