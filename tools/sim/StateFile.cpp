// SPDX-License-Identifier: Apache-2.0
#include "StateFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace orvane::sim {

namespace {

constexpr int kMaxLinkHops = 40;  // as the kernel's own limit

std::string Why(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

std::string TooBig(const std::string& path) {
  return path + " is over " + std::to_string(StateFile::kMaxSize) +
         " bytes (1 MiB), too big for a state file; not reading it";
}

std::string Directory(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Where path leads after following its symbolic links, whether or not the end exists yet.
bool Resolve(const std::string& path, std::string& target, std::string& error) {
  std::string current = path;
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat info {};
    if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
      target = current;
      return true;
    }
    std::array<char, PATH_MAX> buffer{};
    const ssize_t n = ::readlink(current.c_str(), buffer.data(), buffer.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) {
      error = Why("cannot follow the link " + current);
      return false;
    }
    std::string next(buffer.data(), static_cast<std::size_t>(n));
    if (next.front() != '/' && current.find('/') != std::string::npos) {
      next = Directory(current) + "/" + next;
    }
    current = std::move(next);
  }
  error = path + ": too many levels of symbolic links";
  return false;
}

// The pid the lock's holder wrote into the lock file, as " (pid N)", if it is there yet.
std::string Holder(int lockFd) {
  std::array<char, 32> buffer{};
  const ssize_t n = ::pread(lockFd, buffer.data(), buffer.size() - 1, 0);
  if (n <= 0) return "";
  const long pid = std::strtol(buffer.data(), nullptr, 10);
  return pid > 0 ? " (pid " + std::to_string(pid) + ")" : "";
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// A new file gets what the user's umask allows, as any file a program creates.
mode_t NewFileMode() {
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return 0666 & ~mask;
}

// A temporary file's name, removed unless the file was put in place.
class TemporaryName {
 public:
  explicit TemporaryName(std::string name) : name_(std::move(name)) {}
  ~TemporaryName() {
    if (!name_.empty()) ::unlink(name_.c_str());
  }
  TemporaryName(const TemporaryName&) = delete;
  TemporaryName& operator=(const TemporaryName&) = delete;
  void Keep() { name_.clear(); }

 private:
  std::string name_;
};

}  // namespace

void UniqueFd::Reset() {
  if (fd_ >= 0) ::close(std::exchange(fd_, -1));
}

bool UniqueFd::Close() {
  return fd_ < 0 || ::close(std::exchange(fd_, -1)) == 0;
}

bool StateFile::Open(const std::string& path, std::string& error) {
  path_ = path;
  target_.clear();
  lock_.Reset();
  readOnly_ = false;
  if (path.empty()) {
    error = "the state file needs a name";
    return false;
  }
  if (!Resolve(path, target_, error)) return false;
  struct stat info {};
  if (::stat(target_.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) {
      error = path + " is a directory, not a state file";
      return false;
    }
    if (!S_ISREG(info.st_mode)) {
      error = path + " is not a regular file; not using it as a state file";
      return false;
    }
    if (static_cast<std::size_t>(info.st_size) > kMaxSize) {
      error = TooBig(path);
      return false;
    }
    // The mode counts even for root, who may write anything: the user marked it as not to change.
    readOnly_ = (info.st_mode & 0222) == 0 || ::access(target_.c_str(), W_OK) != 0;
  } else if (errno != ENOENT) {
    error = Why("cannot use " + path);
    return false;
  }
  return Lock(error);
}

bool StateFile::Lock(std::string& error) {
  const std::string name = target_ + ".lock";
  UniqueFd fd(::open(name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644));
  if (!fd.valid()) {
    if (readOnly_) return true;  // nothing will be written, so nothing needs guarding
    error = Why("cannot create the lock file " + name);
    return false;
  }
  if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) {
      error = path_ + " is in use by another orvane-sim" + Holder(fd.get()) +
              "; give each simulator its own --state FILE";
    } else {
      error = Why("cannot lock " + name);
    }
    return false;
  }
  // Only for the message a second simulator prints: a failure here costs nothing else.
  const std::string pid = std::to_string(::getpid()) + "\n";
  if (::ftruncate(fd.get(), 0) == 0) {
    [[maybe_unused]] const ssize_t written = ::pwrite(fd.get(), pid.data(), pid.size(), 0);
  }
  lock_ = std::move(fd);
  return true;
}

bool StateFile::Read(std::optional<std::string>& text, std::string& error) const {
  UniqueFd fd(::open(target_.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) {
    if (errno != ENOENT) {
      error = Why("cannot read " + path_);
      return false;
    }
    text.reset();  // first run: nothing kept yet
    return true;
  }
  std::string data;
  std::array<char, 16384> buffer{};
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = Why("cannot read " + path_);
      return false;
    }
    if (n == 0) break;
    data.append(buffer.data(), static_cast<std::size_t>(n));
    if (data.size() > kMaxSize) {  // it grew since it was looked at
      error = TooBig(path_);
      return false;
    }
  }
  text = std::move(data);
  return true;
}

bool StateFile::Replace(const std::string& text, std::string& error) const {
  if (readOnly_) {
    error = path_ + " is read-only; not replacing it";
    return false;
  }
  if (text.size() > kMaxSize) {
    error = "not saving to " + path_ + ": the settings would make it over " +
            std::to_string(kMaxSize) + " bytes (1 MiB)";
    return false;
  }
  std::string name = target_ + ".XXXXXX";
  UniqueFd fd(::mkostemp(name.data(), O_CLOEXEC));
  if (!fd.valid()) {
    error = Why("cannot create a temporary file beside " + path_);
    return false;
  }
  TemporaryName temporary(name);
  struct stat info {};
  const mode_t mode = ::stat(target_.c_str(), &info) == 0 ? info.st_mode & 07777 : NewFileMode();
  if (::fchmod(fd.get(), mode) != 0 || !WriteAll(fd.get(), text) || ::fsync(fd.get()) != 0 ||
      !fd.Close()) {
    error = Why("cannot write " + name);
    return false;
  }
  if (std::rename(name.c_str(), target_.c_str()) != 0) {
    error = Why("cannot replace " + path_);
    return false;
  }
  temporary.Keep();
  // The rename itself is on disk only once the directory is; some file systems cannot say.
  UniqueFd directory(::open(Directory(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.valid()) static_cast<void>(::fsync(directory.get()));
  return true;
}

}  // namespace orvane::sim
