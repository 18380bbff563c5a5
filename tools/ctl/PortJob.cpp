// SPDX-License-Identifier: Apache-2.0
#include "PortJob.h"

#include <csignal>

namespace orvane::ctl {

namespace {

std::string SignalName(int signal) {
  return signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : std::to_string(signal);
}

}  // namespace

PortJob::PortJob(const Options& options, const Target& target, JobHost host,
                 std::function<void()> done)
    : options_(options),
      done_(std::move(done)),
      post_(host.post),
      now_(host.now),
      link_(options, target, std::move(host),
            [this](const Connection::Loss& loss) { OnLost(loss); }) {
  report_.port = target.device;
}

RunContext PortJob::Context() {
  return {options_, link_, report_,
          [this](ExitCode code, std::string diagnosis) { Fail(code, std::move(diagnosis)); },
          [this] { Finish(); }};
}

void PortJob::Start() {
  started_ = now_();
  if (auto failure = link_.Open()) return Fail(ExitCode::NoReceiver, std::move(*failure));
  link_.FindSpeed([this](bool found) {
    if (!found) return Fail(ExitCode::NoReceiver, link_.Diagnosis());
    run_ = MakeRun(Context());
    if (!run_) return Finish();
    run_->Start();
  });
}

void PortJob::Interrupt(int signal) {
  if (finished_ || interrupted_) return;
  interrupted_ = true;
  const std::string why = "interrupted by " + SignalName(signal);
  report_.diagnosis = why;
  if (!run_) return Fail(report_.exit, why);
  run_->Interrupt(why);
}

void PortJob::OnLost(const Connection::Loss& loss) {
  if (finished_) return;
  if (!run_) return Fail(ExitCode::NoReceiver, loss.words);
  run_->Lost(loss);
}

void PortJob::Fail(ExitCode code, std::string diagnosis) {
  if (finished_) return;
  if (run_) run_->CutShort();
  report_.exit = std::max(report_.exit, code);
  report_.diagnosis = std::move(diagnosis);
  Finish();
}

void PortJob::Finish() {
  if (finished_) return;
  if (run_) run_->Settle();
  finished_ = true;
  // A speed is reported only where a receiver was heard at it.
  report_.speed = link_.HeardSpeed();
  report_.elapsedMs =
      std::chrono::duration_cast<std::chrono::milliseconds>(now_() - started_).count();
  link_.End();
  post_(std::chrono::milliseconds(0), done_);
}

}  // namespace orvane::ctl
