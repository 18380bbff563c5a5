// SPDX-License-Identifier: Apache-2.0
#include "Journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "Json.h"

namespace orvane::ctl {

namespace {

Json OrNull(const std::string& text) {
  return text.empty() ? Json() : Json(text);
}

Json SettingJson(const SettingEntry& entry) {
  return Json::Object{{"section", entry.section}, {"name", entry.name},
                      {"wanted", entry.wanted},   {"before", entry.before},
                      {"after", entry.after},     {"outcome", OutcomeName(entry.outcome)},
                      {"status", entry.status},   {"restored", entry.restored}};
}

std::string Why(const std::string& path, const char* what) {
  return "journal " + path + ": " + what + ": " + std::strerror(errno);
}

}  // namespace

std::string JournalTime(std::chrono::system_clock::time_point when) {
  using namespace std::chrono;
  const auto ms = duration_cast<milliseconds>(when.time_since_epoch()).count();
  const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[40];
  const std::size_t n = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
  std::snprintf(text + n, sizeof text - n, ".%03dZ", static_cast<int>(ms % 1000));
  return text;
}

std::string JournalLine(const JournalRun& run, const PortReport& port) {
  Json::Array settings;
  for (const SettingEntry& entry : port.settings) settings.push_back(SettingJson(entry));
  const Json line = Json::Object{{"time", run.time},
                                 {"command", run.command},
                                 {"profile", OrNull(run.profile)},
                                 {"fleet", OrNull(run.fleet)},
                                 {"port", port.port},
                                 {"speed", port.speed ? Json(int{*port.speed}) : Json()},
                                 {"sender", port.sender ? Json(int{*port.sender}) : Json()},
                                 {"exit", static_cast<int>(port.exit)},
                                 {"diagnosis", port.diagnosis},
                                 {"saved", port.saved},
                                 {"rolled_back", port.rolledBack},
                                 {"elapsed_ms", port.elapsedMs},
                                 {"settings", std::move(settings)}};
  return line.DumpLine();
}

JournalFile::JournalFile(std::string path) : path_(std::move(path)) {
  fd_ = ::open(path_.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644);
  if (fd_ < 0) {
    error_ = Why(path_, "cannot be opened");
    return;
  }
  struct stat info {};
  if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
    error_ = "journal " + path_ + ": not a regular file";
  }
}

JournalFile::~JournalFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::optional<std::string> JournalFile::Append(const std::string& line) {
  if (error_) return error_;
  // A line torn by an earlier failure ends without a line break: this one must not be glued to
  // it. Whatever another run appends meanwhile is whole and ends in one.
  std::string record;
  struct stat info {};
  char last = '\n';
  if (::fstat(fd_, &info) == 0 && info.st_size > 0 &&
      ::pread(fd_, &last, 1, info.st_size - 1) != 1) {
    last = '\n';
  }
  if (last != '\n') record += '\n';
  record += line;
  ssize_t written;
  do {
    written = ::write(fd_, record.data(), record.size());
  } while (written < 0 && errno == EINTR);
  if (written < 0) return Why(path_, "cannot be written");
  if (static_cast<std::size_t>(written) != record.size()) {
    return "journal " + path_ + ": the disk took only part of a line";
  }
  if (::fsync(fd_) != 0) return Why(path_, "cannot be synced to the disk");
  return std::nullopt;
}

void RecordRun(JournalFile& journal, const JournalRun& run, const std::vector<PortReport>& ports) {
  for (const PortReport& port : ports) {
    if (auto why = journal.Append(JournalLine(run, port))) {
      std::fprintf(stderr, "orvanectl: %s\n", why->c_str());
      return;
    }
  }
}

}  // namespace orvane::ctl
