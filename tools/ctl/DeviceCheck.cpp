// SPDX-License-Identifier: Apache-2.0
#include "DeviceCheck.h"

#ifndef _WIN32
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace orvane::ctl {

#ifndef _WIN32
namespace {

std::string CannotOpen(const std::string& reason) {
  return "port cannot be opened: " + reason;
}

std::string PermissionHint(const struct stat& info) {
  const struct group* owner = ::getgrgid(info.st_gid);
  const std::string group = owner != nullptr ? owner->gr_name : "dialout";
  return " (the device belongs to group " + group + ": add yourself with 'sudo usermod -aG " +
         group + " $USER' and log in again)";
}

}  // namespace
#endif

std::optional<std::string> WhyDeviceCannotOpen(const std::string& device) {
#ifdef _WIN32
  (void)device;
  return std::nullopt;  // COM ports are not files; the open says what is wrong
#else
  struct stat info {};
  if (::stat(device.c_str(), &info) != 0) return CannotOpen(std::strerror(errno));
  if (!S_ISCHR(info.st_mode)) return CannotOpen("not a serial device");
  if (::access(device.c_str(), R_OK | W_OK) != 0) {
    const int fault = errno;
    std::string reason = std::strerror(fault);
    if (fault == EACCES || fault == EPERM) reason += PermissionHint(info);
    return CannotOpen(reason);
  }
  return std::nullopt;
#endif
}

}  // namespace orvane::ctl
