// SPDX-License-Identifier: Apache-2.0
#pragma once
// The file a simulator keeps its settings in, held for the simulator's life.
//
// Two simulators started on one file would overwrite each other's saves, so the first takes an
// exclusive lock (flock on "FILE.lock" beside it; the file itself is replaced on every save and
// cannot carry the lock) and a second is turned away, told the first one's pid. A save writes a
// fresh temporary file beside the target, flushes it to disk and renames it over the target:
// a crash or a full disk leaves the old file whole, never half of the new one.
//
// A symbolic link is followed to the file it names, and that file is replaced, so the link stays
// a link. A directory, a device or a file over kMaxSize is refused. A file nobody may write is
// read but never replaced: a user who made it read-only wants it kept as it stands.

#include <cstddef>
#include <optional>
#include <string>
#include <utility>

namespace orvane::sim {

// A file descriptor that closes itself.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { Reset(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      Reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  void Reset();
  // Closes now; false when close(2) reports an error (for a written file: the data may be lost).
  bool Close();

 private:
  int fd_ = -1;
};

class StateFile {
 public:
  // A state file is a few kilobytes; anything this big is not one.
  static constexpr std::size_t kMaxSize = 1024 * 1024;

  // Follows links, checks what path names and takes the lock. On failure error says why and
  // nothing is held.
  bool Open(const std::string& path, std::string& error);

  // The file's contents, or nullopt when there is no file yet.
  bool Read(std::optional<std::string>& text, std::string& error) const;

  // Puts text in the file's place whole, or (error) leaves the old file as it was.
  bool Replace(const std::string& text, std::string& error) const;

  bool readOnly() const { return readOnly_; }
  // The path as given, for messages.
  const std::string& path() const { return path_; }
  // The file the path leads to.
  const std::string& target() const { return target_; }

 private:
  bool Lock(std::string& error);

  std::string path_;
  std::string target_;
  UniqueFd lock_;
  bool readOnly_ = false;
};

}  // namespace orvane::sim
