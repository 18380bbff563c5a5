// SPDX-License-Identifier: Apache-2.0
// What the journal adds to a run: one port's line for the 49-row base profile, made and appended
// with its single write and fsync, on a file in the folder named by the first argument (the
// build's disk: on tmpfs an fsync would cost nothing). bench/ctl/run.sh sets it against a clean
// apply --all.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "Journal.h"
#include "transfer/BaseStation.h"

namespace {

std::string folder = ".";

orvane::ctl::PortReport BaseProfileReport() {
  orvane::ctl::PortReport port;
  port.port = "/dev/serial/by-id/usb-Orvane_Receiver_0123456789-if00";
  port.speed = 19200;
  port.sender = 0x1A2B;
  port.saved = true;
  for (const auto& row : orvane::transfer::BaseStationProfile()) {
    orvane::ctl::SettingEntry entry;
    entry.section = row.key.section;
    entry.name = row.key.name;
    entry.wanted = entry.after = "192.168.0.222";
    entry.before = "192.168.0.1";
    entry.outcome = orvane::ctl::Outcome::Written;
    entry.status = 0;
    port.settings.push_back(entry);
  }
  return port;
}

void AppendLine(benchmark::State& state) {
  const std::string path = folder + "/journal-bench";
  ::unlink(path.c_str());
  const orvane::ctl::PortReport port = BaseProfileReport();
  const orvane::ctl::JournalRun run{orvane::ctl::JournalTime(std::chrono::system_clock::now()),
                                    "apply", "base.ini", ""};
  orvane::ctl::JournalFile journal(path);
  for (auto _ : state) {
    if (journal.Append(orvane::ctl::JournalLine(run, port))) state.SkipWithError("append failed");
  }
  ::unlink(path.c_str());
}
BENCHMARK(AppendLine)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(50);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (argc > 1) folder = argv[1];
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
