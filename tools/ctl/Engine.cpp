// SPDX-License-Identifier: Apache-2.0
// Placeholders until the settings engine and the TCP port are wired in: every receiver command
// reports, per port, that it cannot run yet, with the no-receiver exit status, so a script
// never takes a command that did nothing for one that succeeded.

#include "Engine.h"

namespace orvane::ctl {

namespace {

std::vector<PortReport> NotImplemented(const std::vector<Target>& targets) {
  std::vector<PortReport> reports;
  for (const Target& target : targets) {
    PortReport report;
    report.port = target.device.empty() ? target.spec.text : target.device;
    report.exit = ExitCode::NoReceiver;
    report.diagnosis = "not implemented yet";
    reports.push_back(std::move(report));
  }
  return reports;
}

}  // namespace

// ENGINE: ports --probe opens every serial port, finds its speed and says where a receiver answers.
std::vector<PortReport> RunProbe(const Options&, const std::vector<Target>& targets) {
  return NotImplemented(targets);
}

// ENGINE: per port, the speed, whether a heartbeat is heard, and the diagnosis.
std::vector<PortReport> RunDetect(const Options&, const std::vector<Target>& targets) {
  return NotImplemented(targets);
}

// ENGINE: reads options.keys; entries with outcome read.
std::vector<PortReport> RunGet(const Options&, const std::vector<Target>& targets) {
  return NotImplemented(targets);
}

// ENGINE: writes options.keys with their values, reads them back, saves unless options.noSave.
std::vector<PortReport> RunSet(const Options&, const std::vector<Target>& targets) {
  return NotImplemented(targets);
}

// ENGINE: reads every setting of the window's read and write tables.
std::vector<PortReport> RunDump(const Options&, const std::vector<Target>& targets) {
  return NotImplemented(targets);
}

// ENGINE: reads options.profile's settings; entries unchanged or differs.
std::vector<PortReport> RunDiff(const Options&, const std::vector<Target>& targets) {
  return NotImplemented(targets);
}

// ENGINE: options.profile with options.all, options.dryRun and options.noSave.
std::vector<PortReport> RunApply(const Options&, const std::vector<Target>& targets) {
  return NotImplemented(targets);
}

}  // namespace orvane::ctl
