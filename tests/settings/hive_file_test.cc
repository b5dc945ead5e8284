// Where hives live, and hive files that cannot be used: the operations fail
// and the file is left exactly as it was.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "VemSettings.h"
#include "settings/hive.h"
#include "settings/hive_env.h"
#include "tests/settings/temp_dir.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A temporary directory named by VEMMISC_REGISTRY_DIR for one test.
class HiveFileTest : public ::testing::Test {
 protected:
  HiveFileTest() : dir_(MakeTempDir()), file_(dir_ + "/HKEY_CURRENT_USER.db") {
    setenv("VEMMISC_REGISTRY_DIR", dir_.c_str(), 1);
  }
  ~HiveFileTest() override {
    unsetenv("VEMMISC_REGISTRY_DIR");
    RemoveTree(dir_);
  }

  // Every SettingsManager operation fails on the unusable hive.
  void ExpectEveryOperationFails() {
    SettingsManager settings("HKEY_CURRENT_USER", "Software\\Test", 0);
    const int32_t value = 1;
    int32_t read = 0;
    std::string text = "unchanged";
    EXPECT_FALSE(settings.SetParam(&value, 4, "S", "V", -1));
    EXPECT_FALSE(settings.GetParam(&read, 4, "S", "V", -1));
    EXPECT_EQ(settings.GetParamDataLen("S", "V", -1), 0u);
    EXPECT_FALSE(settings.SetString(&text, "S", "T", -1));
    EXPECT_FALSE(settings.GetString(&text, "S", "T", -1));
    EXPECT_EQ(text, "unchanged");
    EXPECT_EQ(vem::Hive::Get(vem::RegistryRoot::kCurrentUser), nullptr);
  }

  // Makes a hive with one value and closes every connection to it.
  void MakeValidHive() {
    {
      SettingsManager settings("HKEY_CURRENT_USER", "Software\\Test", 0);
      const int64_t value = 7;
      ASSERT_TRUE(settings.SetParam(&value, 8, "S", "V", -1));
    }
    // The library's connection is closed once the environment names another
    // place; a child process closes its own at exit.
    const std::string elsewhere = MakeTempDir();
    setenv("VEMMISC_REGISTRY_DIR", elsewhere.c_str(), 1);
    SettingsManager("HKEY_CURRENT_USER", "Software", 0).GetParamDataLen("S", "V", -1);
    vem::Hive::Get(vem::RegistryRoot::kCurrentUser);
    setenv("VEMMISC_REGISTRY_DIR", dir_.c_str(), 1);
    RemoveTree(elsewhere);
  }

  const std::string dir_;
  const std::string file_;
};

// Whatever lies in the hive's place and is no hive: garbage, an empty file,
// another program's database, a directory.
TEST_F(HiveFileTest, WhatIsNoHiveFailsAndIsKept) {
  std::string garbage(10000, '\0');
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>(i * 7919 >> 3);
  for (const std::string& content : {garbage, std::string()}) {
    WriteFile(file_, content);
    ExpectEveryOperationFails();
    EXPECT_EQ(ReadFile(file_), content);
  }
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file_.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE t(x); INSERT INTO t VALUES(1);", nullptr, nullptr,
                         nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  const std::string database = ReadFile(file_);
  ExpectEveryOperationFails();
  EXPECT_EQ(ReadFile(file_), database);
  ASSERT_TRUE(fs::remove(file_));
  ASSERT_TRUE(fs::create_directory(file_));
  ExpectEveryOperationFails();
  EXPECT_TRUE(fs::is_directory(file_));
}

TEST_F(HiveFileTest, TruncatedHiveFailsAndIsKept) {
  MakeValidHive();
  const std::string whole = ReadFile(file_);
  ASSERT_GT(whole.size(), 4096u);
  for (size_t length : {whole.size() - 4096, size_t{1000}, size_t{50}}) {
    const std::string truncated = whole.substr(0, length);
    WriteFile(file_, truncated);
    ExpectEveryOperationFails();
    EXPECT_EQ(ReadFile(file_), truncated) << length;
  }
}

TEST_F(HiveFileTest, ReadOnlyHiveDirectoryAllowsReadsAndRefusesWrites) {
  MakeValidHive();
  chmod(file_.c_str(), 0644);
  chmod(dir_.c_str(), 0555);
  const std::string before = ReadFile(file_);
  // Permissions do not bind the superuser, so the check runs as nobody then.
  const pid_t pid = fork();
  if (pid == 0) {
    if (geteuid() == 0) {
      const passwd* nobody = getpwnam("nobody");
      if (nobody == nullptr || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0) {
        _exit(10);
      }
    }
    SettingsManager settings("HKEY_CURRENT_USER", "Software\\Test", 0);
    int64_t value = 0;
    if (!settings.GetParam(&value, 8, "S", "V", -1) || value != 7) _exit(11);
    if (settings.SetParam(&value, 8, "S", "V", -1)) _exit(12);
    if (settings.SetParam(&value, 8, "New", "V", -1)) _exit(13);
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ReadFile(file_), before);
}

TEST_F(HiveFileTest, MissingDirectoryIsCreatedForTheUserOnly) {
  const std::string nested = dir_ + "/a/b";
  setenv("VEMMISC_REGISTRY_DIR", nested.c_str(), 1);
  ASSERT_NE(vem::Hive::Get(vem::RegistryRoot::kLocalMachine), nullptr);
  EXPECT_TRUE(fs::exists(nested + "/HKEY_LOCAL_MACHINE.db"));
  struct stat info;
  ASSERT_EQ(stat(nested.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

class HiveLocationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"VEMMISC_REGISTRY_DIR", "XDG_CONFIG_HOME", "HOME"}) {
      const char* value = getenv(name);
      saved_.emplace_back(name, value != nullptr ? std::optional<std::string>(value)
                                                 : std::nullopt);
    }
    unsetenv("VEMMISC_REGISTRY_DIR");
    setenv("HOME", "/home/someone", 1);
    unsetenv("XDG_CONFIG_HOME");
  }
  void TearDown() override {
    for (const auto& [name, value] : saved_) {
      if (value) setenv(name.c_str(), value->c_str(), 1); else unsetenv(name.c_str());
    }
  }
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(HiveLocationTest, UserHiveFollowsXdgConfigHomeThenHome) {
  vem::HiveLocation location;
  ASSERT_TRUE(vem::LocateHive(vem::RegistryRoot::kCurrentUser, &location));
  EXPECT_EQ(location.file, "/home/someone/.config/vemmisc/registry/HKEY_CURRENT_USER.db");
  EXPECT_FALSE(location.machine_wide);
  setenv("XDG_CONFIG_HOME", "/xdg", 1);
  ASSERT_TRUE(vem::LocateHive(vem::RegistryRoot::kCurrentUser, &location));
  EXPECT_EQ(location.file, "/xdg/vemmisc/registry/HKEY_CURRENT_USER.db");
  setenv("XDG_CONFIG_HOME", "", 1);  // empty counts as unset
  unsetenv("HOME");
  EXPECT_FALSE(vem::LocateHive(vem::RegistryRoot::kCurrentUser, &location));
}

TEST_F(HiveLocationTest, MachineRootsLiveInVarLibAndTheVariableOverridesAll) {
  vem::HiveLocation location;
  const vem::RegistryRoot machine_roots[] = {
      vem::RegistryRoot::kClassesRoot, vem::RegistryRoot::kLocalMachine,
      vem::RegistryRoot::kUsers, vem::RegistryRoot::kCurrentConfig};
  for (vem::RegistryRoot root : machine_roots) {
    ASSERT_TRUE(vem::LocateHive(root, &location));
    EXPECT_EQ(location.directory, "/var/lib/vemmisc/registry");
    EXPECT_EQ(location.file,
              std::string("/var/lib/vemmisc/registry/") + vem::RegistryRootName(root) + ".db");
    EXPECT_TRUE(location.machine_wide);
  }
  setenv("VEMMISC_REGISTRY_DIR", "/tmp/hives", 1);
  for (vem::RegistryRoot root : {vem::RegistryRoot::kCurrentUser, vem::RegistryRoot::kUsers}) {
    ASSERT_TRUE(vem::LocateHive(root, &location));
    EXPECT_EQ(location.file, std::string("/tmp/hives/") + vem::RegistryRootName(root) + ".db");
    EXPECT_FALSE(location.machine_wide);
  }
}

TEST_F(HiveLocationTest, UserDirectoryIsCreatedWithMode0700) {
  const std::string home = MakeTempDir();
  setenv("HOME", home.c_str(), 1);
  ASSERT_NE(vem::Hive::Get(vem::RegistryRoot::kCurrentUser), nullptr);
  struct stat info;
  ASSERT_EQ(stat((home + "/.config/vemmisc/registry").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  EXPECT_TRUE(fs::exists(home + "/.config/vemmisc/registry/HKEY_CURRENT_USER.db"));
  RemoveTree(home);
}

}  // namespace
