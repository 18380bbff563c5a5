// SPDX-License-Identifier: Apache-2.0
#include "Commands.h"

#include <variant>

#include "BaseProfile.h"
#include "Checks.h"
#include "DeviceCheck.h"
#include "Engine.h"
#include "FleetSheet.h"
#include "Journal.h"
#include "Overrides.h"
#include "PortSpec.h"
#include "ProfileInput.h"
#include "SerialPorts.h"
#include "platform/qt/QtSerialPort.h"

namespace orvane::ctl {

namespace {

// The whole profile, or why it cannot be had; a profile is read before anything is sent.
std::optional<std::string> ReadProfile(Options& options) {
  auto read = ReadProfileText(options.profilePath);
  if (auto* why = std::get_if<std::string>(&read)) return *why;
  const ProfileText& input = std::get<ProfileText>(read);
  const auto parsed = transfer::ParseProfile(input.text, input.name);
  if (!parsed.Ok()) return parsed.error->What();
  options.profile = WithOverrides(parsed.rows, options.overrides);
  return std::nullopt;
}

// What apply and set must not write without --force.
std::optional<std::string> WhyRefused(const Options& options) {
  if (options.force) return std::nullopt;
  if (options.command == Command::Apply) {
    if (auto why = WhyNotWritten(options.profile, options.profilePath, true)) return why;
    for (std::size_t i = 0; i < options.portProfiles.size(); ++i) {
      const std::string origin = options.fleetPath + ": port " + options.ports[i].text;
      if (auto why = WhyNotWritten(options.portProfiles[i], origin, false)) return why;
    }
    return std::nullopt;
  }
  if (options.command != Command::Set) return std::nullopt;
  std::vector<transfer::ProfileSetting> rows;
  for (const Key& key : options.keys) rows.push_back({key.section, key.name, key.value, 0});
  return WhyNotWritten(rows, "set", false);
}

// A Comm number becomes its device now; a device that cannot be opened fails alone and early,
// and the engine gets the rest.
std::vector<Target> Resolve(const Options& options, std::vector<PortReport>& failed) {
  std::vector<Target> targets;
  for (std::size_t i = 0; i < options.ports.size(); ++i) {
    const PortSpec& spec = options.ports[i];
    Target target{spec, spec.device};
    if (i < options.portProfiles.size()) target.profile = options.portProfiles[i];
    std::optional<std::string> fault;
    if (spec.kind == PortSpec::Kind::Number) {
      target.device = platform::qt::DeviceForPort(spec.number).toStdString();
      if (target.device.empty()) {
        fault = "port cannot be opened: there is no serial port number " + spec.text;
      }
      // The window's Comm item N is a TCP link when ORVANE_COM<N> says tcp://HOST:PORT.
      if (target.device.rfind("tcp://", 0) == 0) {
        auto tcp = ParsePortSpec(target.device);
        if (auto* why = std::get_if<std::string>(&tcp)) {
          fault = "port cannot be opened: ORVANE_COM" + spec.text + ": " + *why;
        } else {
          target.spec = std::get<PortSpec>(tcp);
        }
      }
    }
    const bool serial = target.spec.kind != PortSpec::Kind::Tcp;
    if (!fault && serial && !target.device.empty()) fault = WhyDeviceCannotOpen(target.device);
    if (!fault) {
      targets.push_back(std::move(target));
      continue;
    }
    PortReport report;
    report.port = target.device.empty() ? spec.text : target.device;
    report.exit = ExitCode::NoReceiver;
    report.diagnosis = std::move(fault);
    failed.push_back(std::move(report));
  }
  return targets;
}

}  // namespace

Report Run(Options options) {
  const std::string name = CommandName(options.command);
  if (options.command == Command::Ports && !options.probe) {
    Report report;
    report.command = name;
    report.ports = ListSerialPorts();
    return report;
  }
  if (options.command == Command::BaseProfile) {
    Report report;
    report.command = name;
    BaseProfileRows rows = BaseProfileSettings(options.base);
    report.profile = std::move(rows.rows);
    report.leftOut = std::move(rows.leftOut);
    return report;
  }
  if (options.command == Command::Diff || options.command == Command::Apply) {
    if (auto error = ReadProfile(options)) return UsageReport(name, *error);
  }
  if (!options.fleetPath.empty()) {
    if (auto error = TakeFleet(options)) return UsageReport(name, *error);
  }
  if (auto error = WhyRefused(options)) return UsageReport(name, *error);
  // The journal must take the run's record before anything is sent.
  std::optional<JournalFile> journal;
  if (!options.journalPath.empty()) {
    journal.emplace(options.journalPath);
    if (journal->error()) return UsageReport(name, *journal->error());
  }
  const JournalRun run{JournalTime(std::chrono::system_clock::now()), name, options.profilePath,
                       options.fleetPath};
  Report report;
  report.command = name;
  std::vector<PortReport> failed;
  const std::vector<Target> targets = Resolve(options, failed);
  if (!targets.empty()) report.ports = RunOnPorts(options, targets);
  for (PortReport& port : report.ports) MarkUnknownSettings(port);
  if (journal) RecordRun(*journal, run, report.ports);
  // Ports that failed before the engine ran are reported first.
  report.ports.insert(report.ports.begin(), failed.begin(), failed.end());
  return report;
}

}  // namespace orvane::ctl
