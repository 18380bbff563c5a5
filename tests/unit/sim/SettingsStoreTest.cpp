// SPDX-License-Identifier: Apache-2.0
// The simulator's settings store and the state file it is kept in: what is refused, when the file
// is written, and how (whole, beside a link's target, never over a read-only file). One simulator
// at a time is held by SimAloneTest, on real processes.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "SettingsStore.h"
#include "StateFile.h"
#include "support/TempDir.h"

namespace orvane::sim {
namespace {

using orvane::testing::ReadFile;
using orvane::testing::TempDir;
using orvane::testing::WriteFile;

struct stat Stat(const std::string& path) {
  struct stat info {};
  ::lstat(path.c_str(), &info);
  return info;
}

void Attach(SettingsStore& store, const std::string& path) {
  std::string error;
  ASSERT_TRUE(store.Attach(path, error)) << error;
}

void Persist(SettingsStore& store) {
  std::string error;
  ASSERT_TRUE(store.Persist(error)) << error;
}

// What a simulator started on path later would hold.
std::optional<std::string> Reread(const std::string& path, const std::string& key) {
  SettingsStore store;
  std::string error;
  EXPECT_TRUE(store.Attach(path, error)) << error;
  const auto dot = key.find('.');
  return store.Get(key.substr(0, dot), key.substr(dot + 1));
}

TEST(SettingsStore, RefusesWhatIsNoStateFileSaysWhyAndTakesNothing) {
  struct Case {
    const char* what;
    const char* file;
    std::function<void(const std::string& path)> make;
    std::string said;  // besides the path
  };
  const auto write = [](const std::string& text) {
    return [text](const std::string& p) { WriteFile(p, text); };
  };
  const Case cases[] = {
      {"a directory", "state", [](const auto& p) { std::filesystem::create_directory(p); },
       "directory"},
      {"a file over the limit", "state",
       write("uart1.baudrate=9600\n#" + std::string(StateFile::kMaxSize, ' ') + "\n"),
       std::to_string(StateFile::kMaxSize)},
      {"a malformed line", "state", write("uart1.baudrate=9600\nuart1 baudrate 9600\n"), ":2:"},
      {"a named pipe", "state", [](const auto& p) { ::mkfifo(p.c_str(), 0644); }, "regular"},
      {"a link to itself", "state", [](const auto& p) { ::symlink(p.c_str(), p.c_str()); },
       "symbolic links"},
      {"a file in a missing directory", "gone/state", [](const auto&) {}, "No such file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string path = dir.Path(c.file);
    c.make(path);
    SettingsStore store;
    std::string error;
    EXPECT_FALSE(store.Attach(path, error));
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_NE(error.find(c.said), std::string::npos) << error;
    EXPECT_EQ(store.values(), SettingsStore().values());
  }
}

TEST(SettingsStore, WritesItsFileOnlyWhenItsSettingsChangeKeepingItsModeAndNoTemporaryFile) {
  TempDir dir;
  const std::string path = dir.Path("state");
  const std::string preset = "# the receiver on the bench\nuart1.baudrate=9600\n";
  WriteFile(path, preset);
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  const ino_t before = Stat(path).st_ino;
  {
    SettingsStore store;
    Attach(store, path);
    Persist(store);  // as at start-up
    store.Set("uart1", "baudrate", "9600");
    Persist(store);
    EXPECT_EQ(ReadFile(path), preset);
    EXPECT_EQ(Stat(path).st_ino, before);

    store.Set("solution", "elevation_mask", "25");
    Persist(store);
    EXPECT_NE(Stat(path).st_ino, before);
    store.RecordSave();
    Persist(store);
  }
  EXPECT_EQ(Stat(path).st_mode & 07777, 0640u);
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    names.insert(entry.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"state", "state.lock"}));
  EXPECT_EQ(Reread(path, "solution.elevation_mask"), "25");
  EXPECT_EQ(Reread(path, "uart1.baudrate"), "9600");
  SettingsStore later;
  Attach(later, path);
  EXPECT_EQ(later.saves(), 1);
}

// Values with line breaks and backslashes come back whole.
TEST(SettingsStore, CreatesAMissingFileAtTheFirstPersistWithEverySettingWhole) {
  TempDir dir;
  const std::string path = dir.Path("state");
  std::map<std::string, std::string> values;
  {
    SettingsStore store;
    Attach(store, path);
    EXPECT_FALSE(std::filesystem::exists(path));
    store.Set("ethernet", "ip_address", "two\nlines\r and a \\ backslash\\");
    Persist(store);
    values = store.values();
  }
  SettingsStore later;
  Attach(later, path);
  EXPECT_EQ(later.values(), values);
  EXPECT_NE(ReadFile(path).find("uart1.baudrate="), std::string::npos);
}

TEST(SettingsStore, ReplacesTheFileALinkLeadsToAndLeavesTheLinkALink) {
  struct Case {
    const char* what;
    std::vector<std::pair<const char*, const char*>> links;  // {link, where it points}
    bool targetExists;
  };
  const Case cases[] = {
      {"a relative link", {{"state", "kept/real"}}, true},
      {"a link to a link", {{"state", "middle"}, {"middle", "kept/real"}}, true},
      {"an absolute link", {{"state", ""}}, true},
      {"a link to a file not made yet", {{"state", "kept/real"}}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string target = dir.Path("kept/real");
    std::filesystem::create_directory(dir.Path("kept"));
    if (c.targetExists) WriteFile(target, "uart1.baudrate=9600\n");
    for (const auto& [link, to] : c.links) {
      ASSERT_EQ(::symlink(*to ? to : target.c_str(), dir.Path(link).c_str()), 0);
    }
    {
      SettingsStore store;
      Attach(store, dir.Path("state"));
      store.Set("solution", "elevation_mask", "25");
      Persist(store);
    }
    for (const auto& [link, to] : c.links)
      EXPECT_TRUE(S_ISLNK(Stat(dir.Path(link)).st_mode)) << link;
    EXPECT_EQ(Reread(target, "solution.elevation_mask"), "25");
    EXPECT_EQ(Reread(dir.Path("state"), "uart1.baudrate"), c.targetExists ? "9600" : "19200");
  }
}

// A read-only file is used but never replaced; a change that would make the file too big to
// read again is refused, and the file kept as it was.
TEST(SettingsStore, KeepsAReadOnlyFileAndOneAtTheLimitAsTheyAre) {
  std::string atLimit = "uart1.baudrate=9600\n#";
  atLimit += std::string(StateFile::kMaxSize - atLimit.size() - 1, ' ') + "\n";
  for (const bool readOnly : {true, false}) {
    SCOPED_TRACE(readOnly ? "read-only" : "at the limit");
    TempDir dir;
    const std::string path = dir.Path("state");
    const std::string text = readOnly ? "uart1.baudrate=9600\n" : atLimit;
    WriteFile(path, text);
    ASSERT_EQ(::chmod(path.c_str(), readOnly ? 0444 : 0644), 0);
    const ino_t before = Stat(path).st_ino;
    SettingsStore store;
    Attach(store, path);
    EXPECT_EQ(store.readOnly(), readOnly);
    EXPECT_EQ(store.Get("uart1", "baudrate"), "9600");
    store.Set("ethernet", "ip_address",
              readOnly ? "10.0.0.1" : std::string(StateFile::kMaxSize, 'x'));
    store.RecordSave();
    std::string error;
    EXPECT_EQ(store.Persist(error), readOnly) << error;
    if (!readOnly) {
      EXPECT_NE(error.find(path), std::string::npos) << error;
    }
    EXPECT_EQ(ReadFile(path), text);
    EXPECT_EQ(Stat(path).st_ino, before);
  }
}

}  // namespace
}  // namespace orvane::sim
