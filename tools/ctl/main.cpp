// SPDX-License-Identifier: Apache-2.0
// orvanectl: reads and writes Orvane receiver settings from the command line.

#include <QCoreApplication>
#include <cstdio>

#include "CommandLine.h"
#include "Commands.h"
#include "JournalCommand.h"
#include "Report.h"

namespace {

void Print(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace orvane::ctl;
  const CommandLine line = ParseCommandLine(argc, argv);
  if (line.kind == CommandLine::Kind::Help) {
    Print(line.command.empty() ? UsageText() : CommandUsageText(line.command));
    return 0;
  }
  if (line.kind == CommandLine::Kind::Version) {
    Print("orvanectl " ORVANE_VERSION "\n");
    return 0;
  }
  if (line.kind == CommandLine::Kind::Run && line.options.command == Command::Journal) {
    return RunJournal(line.options.journal, line.json);
  }
  Report report;
  if (line.kind == CommandLine::Kind::UsageError) {
    report = UsageReport(line.command, line.message);
  } else {
    QCoreApplication app(argc, argv);
    report = Run(line.options);
  }
  Print(line.json ? RenderJson(report) : RenderText(report, line.options.quiet));
  return static_cast<int>(report.Exit());
}
