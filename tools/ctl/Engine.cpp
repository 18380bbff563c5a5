// SPDX-License-Identifier: Apache-2.0
// Every port's job on one event loop; the reports come back in the order the ports were named.

#include "Engine.h"

#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QEventLoop>
#include <QHostAddress>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>

#include "Interrupts.h"
#include "PortJob.h"
#include "SerialPorts.h"
#include "platform/qt/QtCommPort.h"
#include "platform/qt/QtTimer.h"

namespace orvane::ctl {

namespace {

using namespace std::chrono_literals;

constexpr auto kProgressRefresh = 100ms;
constexpr int kBarWidth = 20;

struct Planned {
  Target target;
  bool fromAuto = false;  // a port auto found: reported only when a receiver answers there
};

// What makes two ports one: a device's canonical path (a link and its target, /dev/pts/N and a
// name for it), or each address a TCP host resolves to (127.0.0.1, localhost and
// ::ffff:127.0.0.1 alike), with its port.
std::vector<std::string> Identities(const Target& target) {
  if (target.spec.kind != PortSpec::Kind::Tcp) {
    std::error_code error;
    const auto canonical = std::filesystem::canonical(target.device, error);
    return {error ? target.device : canonical.string()};
  }
  const std::string port = std::to_string(target.spec.tcpPort);
  std::vector<std::string> identities;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(target.spec.host.c_str(), port.c_str(), &hints, &found) == 0) {
    for (const addrinfo* at = found; at != nullptr; at = at->ai_next) {
      const QHostAddress address(at->ai_addr);
      bool mapped = false;
      const quint32 v4 = address.toIPv4Address(&mapped);
      identities.push_back((mapped ? QHostAddress(v4) : address).toString().toStdString() + " " +
                           port);
    }
    ::freeaddrinfo(found);
  }
  if (identities.empty()) identities.push_back(target.spec.host + " " + port);
  return identities;
}

// auto becomes every serial port the system lists; a port named twice, or two names of one
// port, runs once, and a note says so.
std::vector<Planned> Expand(const std::vector<Target>& targets, std::vector<std::string>& notes) {
  std::vector<Planned> planned;
  std::map<std::string, std::size_t> known;  // identity -> the planned port it belongs to
  const auto add = [&](Target target, bool fromAuto) {
    const std::vector<std::string> identities = Identities(target);
    for (const std::string& identity : identities) {
      const auto same = known.find(identity);
      if (same == known.end()) continue;
      const std::string& first = planned[same->second].target.device;
      if (!fromAuto && first != target.device) {
        notes.push_back(target.device + " is the same port as " + first + ": run once");
      }
      return;
    }
    for (const std::string& identity : identities) known.emplace(identity, planned.size());
    planned.push_back({std::move(target), fromAuto});
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

// A port's job on a Qt port and Qt's event loop. Nothing the job scheduled outlives it: its
// steps are posted on an object that goes with it.
class QtJob {
 public:
  QtJob(const Options& options, const Target& target, std::function<void()> done)
      : job_(options, target, Host(target), std::move(done)) {
    QObject::connect(&port_, &platform::qt::QtCommPort::failed, &context_,
                     [this](const QString& reason) { job_.PortFailed(reason.toStdString()); });
  }
  PortJob& job() { return job_; }

 private:
  JobHost Host(const Target& target) {
    port_.SetDevice(QByteArray::fromStdString(target.device));
    return {port_, [] { return std::make_unique<platform::qt::QtTimer>(); },
            [this](std::chrono::milliseconds delay, std::function<void()> step) {
              QTimer::singleShot(delay, &context_, std::move(step));
            },
            [] { return std::chrono::steady_clock::now(); },
            [this] { return port_.Diagnosis().toStdString(); }};
  }

  QObject context_;
  platform::qt::QtCommPort port_;
  PortJob job_;
};

// One line on stderr, redrawn in place: a bar per port.
class Progress {
 public:
  explicit Progress(bool shown) : shown_(shown) {}
  ~Progress() {
    if (drawn_) std::fputs("\r\033[K", stderr);
  }
  void Draw(const std::vector<std::unique_ptr<QtJob>>& jobs) {
    if (!shown_) return;
    std::string line = "\r\033[K";
    for (const auto& job : jobs) {
      const std::size_t total = std::max<std::size_t>(job->job().ProgressTotal(), 1);
      const std::size_t done =
          job->job().Finished() ? total : std::min(job->job().ProgressDone(), total);
      const int filled = static_cast<int>(done * kBarWidth / total);
      line += job->job().report().port + " [" + std::string(filled, '#') +
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
  std::vector<std::string> notes;
  const std::vector<Planned> planned = Expand(targets, notes);
  for (const std::string& note : notes) {
    if (!options.quiet) std::fprintf(stderr, "orvanectl: %s\n", note.c_str());
  }
  QEventLoop loop;
  std::deque<Options> own;  // a fleet port's options, with its own profile: outlives its job
  std::vector<std::unique_ptr<QtJob>> jobs;
  const auto allDone = [&jobs] {
    return std::all_of(jobs.begin(), jobs.end(),
                       [](const auto& job) { return job->job().Finished(); });
  };
  for (const Planned& each : planned) {
    const Options* used = &options;
    if (each.target.profile) {
      used = &own.emplace_back(options);
      own.back().profile = *each.target.profile;
      own.back().portProfiles.clear();
    }
    jobs.push_back(std::make_unique<QtJob>(*used, each.target, [&] {
      if (allDone()) loop.quit();
    }));
  }
  Progress progress(!options.json && !options.quiet && ::isatty(STDERR_FILENO) != 0);
  QTimer redraw;
  QObject::connect(&redraw, &QTimer::timeout, [&] { progress.Draw(jobs); });
  redraw.start(kProgressRefresh);
  // A signal reaches every job from the event loop, never from inside a transfer.
  std::unique_ptr<QSocketNotifier> interrupts;
  const auto interrupt = [&jobs] {
    char bytes[8];
    while (::read(InterruptPipe(), bytes, sizeof bytes) > 0) {
    }
    for (const auto& job : jobs) job->job().Interrupt(InterruptSignal());
  };
  if (InterruptPipe() >= 0) {
    interrupts = std::make_unique<QSocketNotifier>(InterruptPipe(), QSocketNotifier::Read);
    QObject::connect(interrupts.get(), &QSocketNotifier::activated, interrupt);
  }
  for (const auto& job : jobs) job->job().Start();
  if (InterruptSignal() != 0) interrupt();
  if (!jobs.empty() && !allDone()) loop.exec();
  redraw.stop();

  std::vector<PortReport> reports;
  bool anyAuto = false;
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    PortReport report = jobs[i]->job().report();
    report.sender = jobs[i]->job().sender();
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
