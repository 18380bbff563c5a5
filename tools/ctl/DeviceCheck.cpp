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

// Serial devices are usually opened through their group (dialout on Debian); a device no group
// may open is the administrator's business, and a hint to join root would be wrong.
std::string PermissionHint(const struct stat& info) {
  const bool groupMayOpen = (info.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
  const struct group* owner = ::getgrgid(info.st_gid);
  if (!groupMayOpen || info.st_gid == 0 || owner == nullptr) {
    return " (no group may open the device; ask the administrator)";
  }
  const std::string group = owner->gr_name;
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
