// SPDX-License-Identifier: Apache-2.0
#include "ProfileInput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orvane::ctl {

namespace {

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a file";
}

std::string TooBig(const std::string& name) {
  return name + ": over 16 MiB, more than a profile may hold";
}

// Reads fd to its end, or to one byte past the cap.
std::variant<ProfileText, std::string> ReadCapped(int fd, const std::string& name) {
  ProfileText profile{{}, name};
  char buffer[64 * 1024];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) return profile;
    if (n < 0) {
      if (errno == EINTR) continue;
      return name + ": cannot be read: " + std::strerror(errno);
    }
    profile.text.append(buffer, static_cast<std::size_t>(n));
    if (profile.text.size() > kMaxProfileBytes) return TooBig(name);
  }
}

}  // namespace

std::variant<ProfileText, std::string> ReadProfileText(const std::string& path) {
  if (path == "-") return ReadCapped(STDIN_FILENO, "standard input");
  // Its kind is known before it is opened: opening a FIFO with no writer waits for one.
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return path + ": cannot be read: " + std::strerror(errno);
  const auto refuse = [&path](const struct stat& st) {
    return path + ": not a regular file (" + KindOf(st.st_mode) +
           "); give a profile file, or - for standard input";
  };
  if (!S_ISREG(info.st_mode)) return refuse(info);
  if (static_cast<std::size_t>(info.st_size) > kMaxProfileBytes) return TooBig(path);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return path + ": cannot be read: " + std::strerror(errno);
  // The name may have been moved onto something else meanwhile.
  std::variant<ProfileText, std::string> result = std::string();
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    result = refuse(info);
  } else {
    result = ReadCapped(fd, path);
  }
  ::close(fd);
  return result;
}

}  // namespace orvane::ctl
