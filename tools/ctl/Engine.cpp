// SPDX-License-Identifier: Apache-2.0
// Every port's job on one event loop; the reports come back in the order the ports were named.

#include "Engine.h"

#include <unistd.h>

#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>

#include "PortJob.h"
#include "SerialPorts.h"

namespace orvane::ctl {

namespace {

using namespace std::chrono_literals;

constexpr auto kProgressRefresh = 100ms;
constexpr int kBarWidth = 20;

struct Planned {
  Target target;
  bool fromAuto = false;  // a port auto found: reported only when a receiver answers there
};

// auto becomes every serial port the system lists; a device named twice runs once.
std::vector<Planned> Expand(const std::vector<Target>& targets) {
  std::vector<Planned> planned;
  const auto add = [&planned](Target target, bool fromAuto) {
    const bool known = std::any_of(planned.begin(), planned.end(), [&](const Planned& p) {
      return p.target.device == target.device;
    });
    if (!known) planned.push_back({std::move(target), fromAuto});
  };
  for (const Target& target : targets) {
    if (target.spec.kind != PortSpec::Kind::Auto) {
      Target named = target;
      if (named.device.empty()) named.device = named.spec.text;  // tcp://HOST:PORT
      add(std::move(named), false);
      continue;
    }
    for (const PortReport& listed : ListSerialPorts()) {
      PortSpec spec;
      spec.kind = PortSpec::Kind::Device;
      spec.text = spec.device = listed.port;
      add({spec, listed.port}, true);
    }
  }
  return planned;
}

// One line on stderr, redrawn in place: a bar per port.
class Progress {
 public:
  explicit Progress(bool shown) : shown_(shown) {}
  ~Progress() {
    if (drawn_) std::fputs("\r\033[K", stderr);
  }
  void Draw(const std::vector<std::unique_ptr<PortJob>>& jobs) {
    if (!shown_) return;
    std::string line = "\r\033[K";
    for (const auto& job : jobs) {
      const std::size_t total = std::max<std::size_t>(job->ProgressTotal(), 1);
      const std::size_t done = job->Finished() ? total : std::min(job->ProgressDone(), total);
      const int filled = static_cast<int>(done * kBarWidth / total);
      line += job->report().port + " [" + std::string(filled, '#') +
              std::string(kBarWidth - filled, ' ') + "] ";
    }
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    drawn_ = true;
  }

 private:
  bool shown_;
  bool drawn_ = false;
};

}  // namespace

std::vector<PortReport> RunOnPorts(const Options& options, const std::vector<Target>& targets) {
  const std::vector<Planned> planned = Expand(targets);
  QEventLoop loop;
  std::vector<std::unique_ptr<PortJob>> jobs;
  const auto allDone = [&jobs] {
    return std::all_of(jobs.begin(), jobs.end(), [](const auto& job) { return job->Finished(); });
  };
  for (const Planned& each : planned) {
    jobs.push_back(std::make_unique<PortJob>(options, each.target, [&] {
      if (allDone()) loop.quit();
    }));
  }
  Progress progress(!options.json && !options.quiet && ::isatty(STDERR_FILENO) != 0);
  QTimer redraw;
  QObject::connect(&redraw, &QTimer::timeout, [&] { progress.Draw(jobs); });
  redraw.start(kProgressRefresh);
  for (const auto& job : jobs) job->Start();
  if (!jobs.empty() && !allDone()) loop.exec();
  redraw.stop();

  std::vector<PortReport> reports;
  bool anyAuto = false;
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    PortReport report = jobs[i]->report();
    report.sender = jobs[i]->sender();
    anyAuto = anyAuto || planned[i].fromAuto;
    const bool answered = report.exit != ExitCode::NoReceiver;
    if (!planned[i].fromAuto || answered || options.command == Command::Ports) {
      reports.push_back(std::move(report));
    }
  }
  const bool askedAuto = std::any_of(targets.begin(), targets.end(), [](const Target& target) {
    return target.spec.kind == PortSpec::Kind::Auto;
  });
  if (askedAuto && reports.empty()) {
    PortReport none;
    none.port = "auto";
    none.exit = ExitCode::NoReceiver;
    none.diagnosis = anyAuto ? "no receiver answered on any serial port" : "no serial ports found";
    reports.push_back(std::move(none));
  }
  return reports;
}

}  // namespace orvane::ctl
