// SPDX-License-Identifier: Apache-2.0
#pragma once
// The journal: an audit trail of what each run did to each receiver, one JSON object per line,
// appended by every run that talked to a receiver (--journal FILE or ORVANE_JOURNAL).
//
// A line is added with one write(2) on a file opened O_APPEND and then fsync'ed, so runs at once
// never mix their lines and a kill at any moment leaves whole lines behind. Should a line ever be
// cut short (the disk full, power lost mid-write), the next run starts its own on a fresh line,
// and a reader skips the torn one.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "Options.h"
#include "Report.h"

namespace orvane::ctl {

// What every line of one run shares.
struct JournalRun {
  std::string time;     // when the run started: ISO 8601 in UTC, to the millisecond
  std::string command;  // apply, set, get ...
  std::string profile;  // diff and apply: the profile's path; otherwise empty
  std::string fleet;    // apply --fleet: the sheet's path; otherwise empty
};

// 2026-12-07T11:57:38.123Z
std::string JournalTime(std::chrono::system_clock::time_point when);

// One port's record, on one line ending in a line break.
std::string JournalLine(const JournalRun& run, const PortReport& port);

class JournalFile {
 public:
  // Opens the file for appending, making it if need be; error() says why it could not.
  explicit JournalFile(std::string path);
  ~JournalFile();
  JournalFile(const JournalFile&) = delete;
  JournalFile& operator=(const JournalFile&) = delete;

  const std::optional<std::string>& error() const { return error_; }
  // Adds the line with one write and waits until it is on the disk; or says why it is not.
  std::optional<std::string> Append(const std::string& line);

 private:
  std::string path_;
  int fd_ = -1;
  std::optional<std::string> error_;
};

// One line per port the engine ran on; a line that cannot be written is said on stderr, as the
// receivers have been changed whatever the journal holds.
void RecordRun(JournalFile& journal, const JournalRun& run, const std::vector<PortReport>& ports);

}  // namespace orvane::ctl
