// The hive file: where it lives, what in its place is no hive (every call
// fails and the file stays exactly as it was), a read-only directory, and
// processes that share the hive.
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
#include <string>

#include "VemSettings.h"
#include "settings/hive.h"
#include "settings/hive_env.h"
#include "tests/support/temp_folder.h"

namespace vem_test {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return fs::is_directory(path) ? "directory" : std::string(std::istreambuf_iterator<char>(in), {});
}

// The exit status of `body` run in a child process.
template <typename Body>
int InChild(Body body) {
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class HiveFileTest : public ::testing::Test {
 protected:
  HiveFileTest() { setenv("VEMMISC_REGISTRY_DIR", folder_.path().c_str(), 1); }
  ~HiveFileTest() override {
    unsetenv("VEMMISC_REGISTRY_DIR");
    vem::Hive::Get(vem::RegistryRoot::kCurrentUser);  // lets the connection go
  }

  const TempFolder folder_;
  const std::string file_ = folder_.PathOf("HKEY_CURRENT_USER.db");
  SettingsManager settings_{"HKEY_CURRENT_USER", "Software\\Test", 0};
};

TEST_F(HiveFileTest, WhatIsNoHiveFailsAndIsKept) {
  ASSERT_EQ(InChild([&] { return settings_.SetParam("7", 1, "S", "V", -1) ? 0 : 1; }), 0);
  const std::string hive = ReadFile(file_);
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(folder_.PathOf("other.db").c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE t(x); INSERT INTO t VALUES(1);", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  for (const std::string& content : {std::string(), std::string(5000, '\x5A'), ReadFile(folder_.PathOf("other.db")),
                                     hive.substr(0, hive.size() / 2), hive.substr(0, 50), std::string("directory")}) {
    fs::remove_all(file_);
    content == "directory" ? (void)fs::create_directory(file_) : (void)(std::ofstream(file_) << content);
    std::string text = "unchanged";
    EXPECT_FALSE(settings_.SetParam("1", 1, "S", "V", -1) || settings_.SetString(&text, "S", "T", -1) ||
                 settings_.GetString(&text, "S", "V", -1) || settings_.GetParamDataLen("S", "V", -1) != 0);
    EXPECT_EQ(text, "unchanged");
    EXPECT_EQ(vem::Hive::Get(vem::RegistryRoot::kCurrentUser), nullptr);
    EXPECT_EQ(ReadFile(file_), content) << content.size();
  }
}

TEST_F(HiveFileTest, ReadOnlyDirectoryAllowsReadsAndRefusesWrites) {
  ASSERT_EQ(InChild([&] { return settings_.SetParam("7", 1, "S", "V", -1) ? 0 : 1; }), 0);
  chmod(folder_.path().c_str(), 0555);
  const std::string before = ReadFile(file_);
  EXPECT_EQ(InChild([&] {  // permissions do not bind the superuser, so the child runs as nobody then
              const passwd* nobody = getpwnam("nobody");
              if (geteuid() == 0 && (nobody == nullptr || setgid(nobody->pw_gid) || setuid(nobody->pw_uid))) return 10;
              char value = 0;
              return 0 + (!settings_.GetParam(&value, 1, "S", "V", -1) || value != '7' ||
                          settings_.SetParam("8", 1, "S", "V", -1) || settings_.SetParam("8", 1, "New", "V", -1));
            }),
            0);
  EXPECT_EQ(ReadFile(file_), before);
  chmod(folder_.path().c_str(), 0700);
}

// A forked writer uses a connection of its own while the parent writes
// through the one it had before the fork; neither loses a value.
TEST_F(HiveFileTest, ProcessesWritingAtOnceLoseNothing) {
  ASSERT_TRUE(settings_.SetParam("p", 1, "Parent", "V", -1));
  const auto write = [&](const char* section) {
    for (int32_t i = 0; i < 300; ++i) {
      if (!settings_.SetParam(&i, 4, section, "V", i)) return 1;
    }
    return 0;
  };
  const pid_t child = fork();
  if (child == 0) _exit(write("Child"));
  EXPECT_EQ(write("Parent"), 0);
  int status = 0;
  ASSERT_TRUE(waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0);
  for (int32_t i = 0, value = -1; i < 300; ++i) {
    EXPECT_TRUE(settings_.GetParam(&value, 4, "Child", "V", i) && value == i) << i;
    EXPECT_TRUE(settings_.GetParam(&value, 4, "Parent", "V", i) && value == i) << i;
  }
}

TEST(HiveLocationTest, FollowsTheVariablesAndCreatesPrivateDirectories) {
  const struct {
    const char *dir, *xdg, *home;
    vem::RegistryRoot root;
    std::string file;  // empty: no location
  } kLocations[] = {
      {nullptr, nullptr, "/h", vem::RegistryRoot::kCurrentUser, "/h/.config/vemmisc/registry/HKEY_CURRENT_USER.db"},
      {"", "/xdg", "/h", vem::RegistryRoot::kCurrentUser, "/xdg/vemmisc/registry/HKEY_CURRENT_USER.db"},
      {nullptr, "", nullptr, vem::RegistryRoot::kCurrentUser, ""},
      {nullptr, "/xdg", "/h", vem::RegistryRoot::kUsers, "/var/lib/vemmisc/registry/HKEY_USERS.db"},
      {"/r", "/xdg", "/h", vem::RegistryRoot::kCurrentConfig, "/r/HKEY_CURRENT_CONFIG.db"},
      {"made/hives", nullptr, nullptr, vem::RegistryRoot::kClassesRoot, "made/hives/HKEY_CLASSES_ROOT.db"},
  };
  const std::string home = getenv("HOME");
  for (const auto& entry : kLocations) {
    const char* const values[] = {entry.dir, entry.xdg, entry.home};
    const char* const names[] = {"VEMMISC_REGISTRY_DIR", "XDG_CONFIG_HOME", "HOME"};
    for (int i = 0; i < 3; ++i) values[i] ? setenv(names[i], values[i], 1) : unsetenv(names[i]);
    vem::HiveLocation location;
    ASSERT_EQ(vem::LocateHive(entry.root, &location), !entry.file.empty()) << entry.file;
    EXPECT_TRUE(location.file == entry.file && location.machine_wide == (entry.file.rfind("/var/", 0) == 0));
  }
  // The last location, relative, is made on first use: each level for the user only.
  const TempFolder folder;
  const fs::path started = fs::current_path();
  fs::current_path(folder.path());
  EXPECT_NE(vem::Hive::Get(vem::RegistryRoot::kClassesRoot), nullptr);
  for (const char* level : {"made", "made/hives"}) EXPECT_EQ(fs::status(level).permissions(), fs::perms::owner_all);
  EXPECT_TRUE(fs::exists(kLocations[5].file));
  fs::current_path(started);
  setenv("HOME", home.c_str(), 1);
  unsetenv("VEMMISC_REGISTRY_DIR");
}

}  // namespace
}  // namespace vem_test
