// SPDX-License-Identifier: Apache-2.0
#include "Commands.h"

#include "BaseProfile.h"
#include "DeviceCheck.h"
#include "Engine.h"
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
  options.profile = parsed.rows;
  return std::nullopt;
}

// A Comm number becomes its device now; a device that cannot be opened fails alone and early,
// and the engine gets the rest.
std::vector<Target> Resolve(const Options& options, std::vector<PortReport>& failed) {
  std::vector<Target> targets;
  for (const PortSpec& spec : options.ports) {
    Target target{spec, spec.device};
    std::optional<std::string> fault;
    if (spec.kind == PortSpec::Kind::Number) {
      target.device = platform::qt::DeviceForPort(spec.number).toStdString();
      if (target.device.empty()) {
        fault = "port cannot be opened: there is no serial port number " + spec.text;
      }
    }
    if (!fault && !target.device.empty()) fault = WhyDeviceCannotOpen(target.device);
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
    report.profile = BaseProfileSettings(options.base);
    return report;
  }
  if (options.command == Command::Diff || options.command == Command::Apply) {
    if (auto error = ReadProfile(options)) return UsageReport(name, *error);
  }
  Report report;
  report.command = name;
  std::vector<PortReport> failed;
  const std::vector<Target> targets = Resolve(options, failed);
  if (!targets.empty()) report.ports = RunOnPorts(options, targets);
  // Ports that failed before the engine ran are reported first.
  report.ports.insert(report.ports.begin(), failed.begin(), failed.end());
  return report;
}

}  // namespace orvane::ctl
