// SPDX-License-Identifier: Apache-2.0
// orvane-sim: an Orvane receiver on a pseudo-terminal (and, with --tcp, on a loopback TCP port),
// for trying the tool and for testing it without hardware. One thread; poll(2) waits on the
// terminal, the network port, the signals and standard input.

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <functional>
#include <iostream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "Commands.h"
#include "Options.h"
#include "Pty.h"
#include "SettingsStore.h"
#include "Simulator.h"
#include "TcpServer.h"

namespace orvane::sim {

namespace {

using Clock = Simulator::Clock;

// The receiver's transmit queue in front of the terminal. A tool that stops reading fills the
// terminal; past this much waiting output, whole frames are refused rather than cut.
constexpr std::size_t kQueueLimit = 64 * 1024;
// A command is a few words; a longer line is refused unread rather than kept whole.
constexpr std::size_t kCommandLimit = 4096;
// A noise batch bigger than the queue would never go out at all.
static_assert(kMaxNoiseRate / (std::chrono::seconds(1) / Simulator::kNoisePeriod) <= kQueueLimit);

class PtyLine final : public Line {
 public:
  explicit PtyLine(Pty& pty) : pty_(pty) {}

  int PeerBaud() const override { return pty_.IsOpen() ? pty_.PeerBaud() : 0; }
  bool Transmit(std::vector<std::uint8_t> bytes) override {
    if (!pty_.IsOpen() || queue_.size() + bytes.size() > kQueueLimit) return false;
    queue_.insert(queue_.end(), bytes.begin(), bytes.end());
    Flush();
    return true;
  }
  bool Drained() const override { return queue_.empty(); }
  void HangUp() override {
    if (unplug) unplug();
  }

  // What hanging up does: the receiver's own unplug.
  std::function<void()> unplug;

  void Flush() {
    while (!queue_.empty() && pty_.IsOpen()) {
      const std::vector<std::uint8_t> chunk(
          queue_.begin(), queue_.begin() + std::min<std::size_t>(queue_.size(), 4096));
      const ssize_t n = pty_.Write(chunk);
      if (n <= 0) return;  // full (EAGAIN): POLLOUT says when to go on
      queue_.erase(queue_.begin(), queue_.begin() + n);
    }
  }
  void Clear() { queue_.clear(); }

 private:
  Pty& pty_;
  std::deque<std::uint8_t> queue_;
};

// Runs every whole line of pending as a command. A line that grows past kCommandLimit without
// its end is refused once and the rest of it skipped, so a flood is never held or logged whole.
template <typename Run, typename Refuse>
void TakeCommands(std::string& pending, bool& skipping, Run run, Refuse refuse) {
  for (;;) {
    const auto end = pending.find('\n');
    if (end == std::string::npos) {
      if (!skipping && pending.size() > kCommandLimit) {
        refuse();
        skipping = true;
      }
      if (skipping) pending.clear();
      return;
    }
    if (!skipping && end > kCommandLimit) refuse();
    if (!skipping && end <= kCommandLimit) run(pending.substr(0, end));
    skipping = false;
    pending.erase(0, end + 1);
  }
}

// What the network client sent, or its going away.
void ServeClient(TcpServer& tcp, short events, Simulator& sim) {
  if (events & POLLOUT) tcp.Flush();
  if ((events & (POLLIN | POLLHUP | POLLERR)) == 0) return;
  std::uint8_t buffer[4096];
  ssize_t n = 0;
  while ((n = tcp.Read(buffer)) > 0) {
    sim.Receive(tcp, std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(n)));
  }
  if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
    tcp.Drop();
    sim.LineLost(tcp);
    sim.Event("network client gone");
  }
}

int Run(const Options& options) {
  SettingsStore store;
  std::string error;
  if (!options.stateFile.empty() && !store.Attach(options.stateFile, error)) {
    std::cerr << "orvane-sim: " << error << "\n";
    return 1;
  }
  if (store.readOnly()) {
    std::cerr << "orvane-sim: " << options.stateFile
              << " is read-only: its settings are used, changes are not kept\n";
  }

  sigset_t signals;
  sigemptyset(&signals);
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGUSR1}) sigaddset(&signals, s);
  sigprocmask(SIG_BLOCK, &signals, nullptr);
  ::signal(SIGPIPE, SIG_IGN);
  const int signalFd = ::signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
  if (signalFd < 0) {
    std::cerr << "orvane-sim: signalfd: " << std::strerror(errno) << "\n";
    return 1;
  }

  // The network port listens before the link appears, so a client that waits for the link
  // finds both ready.
  TcpServer tcp;
  if (options.tcpPort != 0 && !tcp.Listen(options.tcpPort, error)) {
    std::cerr << "orvane-sim: " << error << "\n";
    return 1;
  }
  Pty pty;
  if (!pty.Open(options.link, error)) {
    std::cerr << "orvane-sim: " << error << "\n";
    return 1;
  }
  PtyLine line(pty);
  const SteadyTime time;
  Simulator sim(options, store, line, std::cout, time,
                options.seed.value_or(std::random_device{}()));
  if (options.tcpPort != 0) sim.AddLine(tcp);
  std::cout << options.link << std::endl;
  sim.Event("serving " + pty.device() + " at " + std::to_string(sim.baud()) + " baud");
  if (options.tcpPort != 0) sim.Event("serving tcp://127.0.0.1:" + std::to_string(options.tcpPort));

  bool stdinOpen = true;
  std::string pendingInput;
  bool skippingLine = false;  // the rest of a line found too long
  std::optional<Clock::time_point> replugAt;
  auto unplug = [&] {
    if (!pty.IsOpen()) return;
    pty.Close();
    line.Clear();
    sim.LineLost();
    replugAt = Clock::now() + options.unplugPause;
    sim.Event("unplugged");
  };
  line.unplug = unplug;
  auto command = [&](const std::string& text) {
    const Command parsed = ParseCommand(text);
    switch (parsed.kind) {
      case Command::Kind::Silent:
        sim.SetSilent(parsed.on);
        break;
      case Command::Kind::Noise:
        sim.SetNoise(parsed.on, parsed.rate);
        break;
      case Command::Kind::Unplug:
        unplug();
        break;
      case Command::Kind::Invalid:
        sim.Event("command refused: " + parsed.error);
        break;
      case Command::Kind::None:
        break;
    }
  };

  for (;;) {
    const auto now = Clock::now();
    if (replugAt && now >= *replugAt) {
      replugAt.reset();
      if (!pty.Open(options.link, error)) {
        std::cerr << "orvane-sim: " << error << "\n";
        return 1;
      }
      sim.Event("plugged in again: " + pty.device());
    }
    sim.Poll(now);

    std::vector<pollfd> fds{{signalFd, POLLIN, 0}};
    const std::size_t ptyIndex = fds.size();
    if (pty.IsOpen()) fds.push_back({pty.fd(), short(POLLIN | (line.Drained() ? 0 : POLLOUT)), 0});
    const std::size_t listenIndex = fds.size();
    if (options.tcpPort != 0) fds.push_back({tcp.listenFd(), POLLIN, 0});
    const std::size_t clientIndex = fds.size();
    if (tcp.HasClient()) {
      fds.push_back({tcp.clientFd(), short(POLLIN | (tcp.Drained() ? 0 : POLLOUT)), 0});
    }
    const std::size_t stdinIndex = fds.size();
    if (stdinOpen) fds.push_back({STDIN_FILENO, POLLIN, 0});
    auto deadline = sim.NextDeadline();
    if (replugAt) deadline = std::min(deadline, *replugAt);
    const auto wait =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    const int timeout = static_cast<int>(std::clamp<long long>(wait.count() + 1, 0, 100));
    if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) {
      std::cerr << "orvane-sim: poll: " << std::strerror(errno) << "\n";
      return 1;
    }

    if (fds[0].revents & POLLIN) {
      signalfd_siginfo info{};
      while (::read(signalFd, &info, sizeof info) == sizeof info) {
        if (info.ssi_signo == SIGUSR1) {
          unplug();
        } else {
          sim.Event("stopping");
          if (options.log) {
            std::cout << "bytes: received " << sim.bytesReceived() << ", sent " << sim.bytesSent()
                      << std::endl;
          }
          return 0;  // the Pty closes and takes the link with it
        }
      }
    }
    if (pty.IsOpen() && ptyIndex < fds.size()) {
      const short events = fds[ptyIndex].revents;
      if (events & POLLOUT) line.Flush();
      if (events & POLLIN) {
        std::uint8_t buffer[4096];
        ssize_t n = 0;
        while ((n = pty.Read(buffer)) > 0) {
          sim.Receive(std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(n)));
        }
      }
    }
    if (clientIndex < stdinIndex && tcp.HasClient()) {
      ServeClient(tcp, fds[clientIndex].revents, sim);
    }
    if (listenIndex < clientIndex && (fds[listenIndex].revents & POLLIN) != 0) {
      const bool replacing = tcp.HasClient();
      if (tcp.Accept()) {
        sim.LineLost(tcp);
        sim.Event(replacing ? "network client replaced by a new one" : "network client connected");
      }
    }
    if (stdinOpen && stdinIndex < fds.size() && fds[stdinIndex].revents != 0) {
      char buffer[256];
      const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
      if (n <= 0) {
        stdinOpen = false;  // end of input: no more commands
      } else {
        pendingInput.append(buffer, static_cast<std::size_t>(n));
        TakeCommands(pendingInput, skippingLine, command, [&] {
          sim.Event("command refused: longer than " + std::to_string(kCommandLimit) + " bytes");
        });
      }
    }
  }
}

}  // namespace

}  // namespace orvane::sim

int main(int argc, char** argv) {
  orvane::sim::Options options;
  std::string message;
  switch (orvane::sim::ParseOptions(argc, argv, options, message)) {
    case orvane::sim::ParseOutcome::Help:
      std::cout << message;
      return 0;
    case orvane::sim::ParseOutcome::Error:
      std::cerr << message;
      return 2;
    case orvane::sim::ParseOutcome::Run:
      break;
  }
  return orvane::sim::Run(options);
}
