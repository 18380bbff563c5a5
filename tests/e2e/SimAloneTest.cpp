// SPDX-License-Identifier: Apache-2.0
// orvane-sim started for real, on its own: a second simulator on a state file in use, noise at
// the highest rate it takes reaching the far end of its terminal, and a paced, slow receiver
// that counts its bytes.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Options.h"
#include "SettingsStore.h"
#include "Simulator.h"
#include "StateFile.h"
#include "link/Frame.h"
#include "support/TempDir.h"

extern char** environ;

namespace orvane::sim {
namespace {

using namespace std::chrono_literals;
using orvane::testing::ReadFile;
using orvane::testing::TempDir;
using Clock = std::chrono::steady_clock;

template <typename Done>
bool WaitFor(Done done, std::chrono::milliseconds limit) {
  const auto end = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() >= end) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

// orvane-sim as a child process, its standard input empty and its output in a file.
class SimChild {
 public:
  SimChild(std::vector<std::string> arguments, const std::string& output) {
    arguments.insert(arguments.begin(), ORVANE_SIM_EXE);
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&files, 1, 2);
    if (::posix_spawn(&pid_, argv[0], &files, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&files);
    EXPECT_GT(pid_, 0) << "cannot start " << ORVANE_SIM_EXE;
  }
  ~SimChild() { Stop(); }
  SimChild(const SimChild&) = delete;
  SimChild& operator=(const SimChild&) = delete;

  pid_t pid() const { return pid_; }

  // Its exit status, once it has stopped of its own accord; nullopt while it runs on.
  std::optional<int> WaitForExit(std::chrono::milliseconds limit) {
    WaitFor([&] { return Reap(WNOHANG); }, limit);
    return status_;
  }

  void Stop() {
    if (pid_ <= 0 || status_) return;
    ::kill(pid_, SIGTERM);
    if (!WaitFor([&] { return Reap(WNOHANG); }, 10s)) {
      ::kill(pid_, SIGKILL);
      Reap(0);
    }
  }

 private:
  bool Reap(int flags) {
    if (status_ || pid_ <= 0) return true;
    int status = 0;
    if (::waitpid(pid_, &status, flags) != pid_) return false;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return true;
  }

  pid_t pid_ = -1;
  std::optional<int> status_;
};

bool Exists(const std::string& path) {
  return std::filesystem::exists(path);
}

TEST(SimAlone, ASecondSimulatorOnAStateFileInUseSaysWhoHoldsItAndStops) {
  TempDir dir;
  const std::string state = dir.Path("state");
  std::filesystem::create_symlink(state, dir.Path("same-state"));
  SimChild first({"--link", dir.Path("one"), "--state", state}, dir.Path("one.log"));
  ASSERT_TRUE(WaitFor([&] { return Exists(dir.Path("one")) && Exists(state); }, 10s))
      << ReadFile(dir.Path("one.log"));

  for (const std::string& way : {state, dir.Path("same-state")}) {
    SCOPED_TRACE(way);
    SimChild second({"--link", dir.Path("two"), "--state", way}, dir.Path("two.log"));
    const auto status = second.WaitForExit(10s);
    const std::string said = ReadFile(dir.Path("two.log"));
    ASSERT_TRUE(status.has_value()) << "the second simulator runs on: " << said;
    EXPECT_NE(*status, 0);
    EXPECT_NE(said.find("in use by another orvane-sim (pid " + std::to_string(first.pid()) + ")"),
              std::string::npos)
        << said;
    EXPECT_FALSE(Exists(dir.Path("two")));  // it never served
  }

  EXPECT_FALSE(first.WaitForExit(0ms).has_value()) << "the first simulator stopped";
  EXPECT_TRUE(Exists(dir.Path("one")));
  first.Stop();
  SettingsStore store;
  std::string error;
  EXPECT_TRUE(store.Attach(state, error)) << error;
}

// The terminal at 19200 baud, raw, as the tool sets it.
UniqueFd OpenAt19200(const std::string& link) {
  UniqueFd line(::open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  termios settings{};
  if (line.valid() && ::tcgetattr(line.get(), &settings) == 0) {
    ::cfmakeraw(&settings);
    ::cfsetspeed(&settings, B19200);
    ::tcsetattr(line.get(), TCSANOW, &settings);
  }
  return line;
}

TEST(SimAlone, NoiseAtTheHighestRateItTakesReachesTheFarEnd) {
  TempDir dir;
  const std::string link = dir.Path("ttySIM");
  SimChild sim({"--link", link, "--silent", "--noise=" + std::to_string(kMaxNoiseRate)},
               dir.Path("sim.log"));
  ASSERT_TRUE(WaitFor([&] { return Exists(link); }, 10s)) << ReadFile(dir.Path("sim.log"));

  // Taking the line at a speed the receiver knows makes it send.
  UniqueFd line = OpenAt19200(link);
  ASSERT_TRUE(line.valid());

  const std::size_t batch = kMaxNoiseRate / (1s / Simulator::kNoisePeriod);
  std::size_t heard = 0;
  const auto end = Clock::now() + 10s;
  std::array<char, 65536> buffer{};
  while (heard < batch && Clock::now() < end) {
    pollfd ready{line.get(), POLLIN, 0};
    if (::poll(&ready, 1, 100) <= 0) continue;
    const ssize_t n = ::read(line.get(), buffer.data(), buffer.size());
    if (n > 0) heard += static_cast<std::size_t>(n);
  }
  EXPECT_GE(heard, batch) << ReadFile(dir.Path("sim.log"));
}

TEST(SimAlone, APacedSlowReceiverAnswersNoSoonerThanItsLineAllowsAndCountsTheBytes) {
  TempDir dir;
  const std::string link = dir.Path("ttySIM");
  constexpr auto kLatency = 300ms;
  SimChild sim({"--link", link, "--silent", "--pace", "--latency", "300", "--seed", "9", "--log"},
               dir.Path("sim.log"));
  ASSERT_TRUE(WaitFor([&] { return Exists(link); }, 10s)) << ReadFile(dir.Path("sim.log"));
  UniqueFd line = OpenAt19200(link);
  ASSERT_TRUE(line.valid());
  // Let the receiver see the line taken before the request comes.
  std::this_thread::sleep_for(200ms);

  const std::string texts("ethernet\0ip_address\0", 20);
  const auto request = link::BuildFrame(
      link::MsgType::SettingsReadRequest,
      std::span(reinterpret_cast<const std::uint8_t*>(texts.data()), texts.size()));
  const auto sent = Clock::now();
  ASSERT_EQ(::write(line.get(), request.data(), request.size()),
            static_cast<ssize_t>(request.size()));
  std::vector<std::uint8_t> answer;
  std::array<std::uint8_t, 512> buffer{};
  const auto end = sent + 10s;
  while (Clock::now() < end && (answer.size() < link::kPayloadOffset ||
                                answer.size() < answer[link::kLengthOffset] + 8u)) {
    pollfd ready{line.get(), POLLIN, 0};
    if (::poll(&ready, 1, 50) <= 0) continue;
    const ssize_t n = ::read(line.get(), buffer.data(), buffer.size());
    if (n > 0) answer.insert(answer.end(), buffer.begin(), buffer.begin() + n);
  }
  const auto took = Clock::now() - sent;
  ASSERT_GE(answer.size(), link::kPayloadOffset) << ReadFile(dir.Path("sim.log"));
  ASSERT_EQ(answer.size(), answer[link::kLengthOffset] + 8u) << ReadFile(dir.Path("sim.log"));
  // Both frames crossed a 19200-baud line, ten bits a byte, around the latency.
  const auto floor =
      kLatency + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                     double(request.size() + answer.size()) * 10 / 19200));
  EXPECT_GE(took, floor);

  sim.Stop();
  const std::string said = ReadFile(dir.Path("sim.log"));
  EXPECT_NE(said.find("bytes: received " + std::to_string(request.size()) + ", sent " +
                      std::to_string(answer.size()) + "\n"),
            std::string::npos)
      << said;
}

}  // namespace
}  // namespace orvane::sim
