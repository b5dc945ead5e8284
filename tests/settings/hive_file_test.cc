// The hive file: where it lives, what in its place is no hive (the operations
// fail and the file stays exactly as it was), and processes that share it,
// fork, write at once, or are killed in the middle of a write.
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "VemSettings.h"
#include "settings/hive.h"
#include "settings/hive_env.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// The exit status of `body` run in a child process, -1 if it was killed.
int InChild(const std::function<int()>& body) {
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string QueryText(const std::string& file, const char* sql) {
  sqlite3* db = nullptr;
  sqlite3_stmt* stmt = nullptr;
  std::string result = "cannot open";
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
      sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW) {
    result = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
  }
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return result;
}

// A directory named by VEMMISC_REGISTRY_DIR for one test.
class HiveFileTest : public ::testing::Test {
 protected:
  HiveFileTest() : dir_(folder_.path()), file_(dir_ + "/HKEY_CURRENT_USER.db") {
    setenv("VEMMISC_REGISTRY_DIR", dir_.c_str(), 1);
  }
  ~HiveFileTest() override {
    unsetenv("VEMMISC_REGISTRY_DIR");
    vem::Hive::Get(vem::RegistryRoot::kCurrentUser);  // lets the connection go
  }

  // A hive with one value, written by a child that closes it at exit.
  std::string ValidHive() {
    EXPECT_EQ(InChild([&]() -> int { exit(settings_.SetParam("7", 1, "S", "V", -1) ? 0 : 1); }), 0);
    chmod(file_.c_str(), 0644);
    return ReadFile(file_);
  }

  const vem_test::TempFolder folder_;
  const std::string dir_, file_;
  SettingsManager settings_{"HKEY_CURRENT_USER", "Software\\Test", 0};
};

TEST_F(HiveFileTest, WhatIsNoHiveFailsAndIsKept) {
  std::string garbage(10000, '\0');
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>(i * 7919 >> 3);
  const std::string whole = ValidHive();
  ASSERT_GT(whole.size(), 4096u);
  ASSERT_TRUE(fs::remove(file_));
  sqlite3* db = nullptr;
  sqlite3_open(file_.c_str(), &db);
  ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE t(x); INSERT INTO t VALUES(1);", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  const std::string foreign = ReadFile(file_);
  for (const std::string& content : {garbage, std::string(), foreign, whole.substr(0, whole.size() - 4096),
                                     whole.substr(0, 1000), whole.substr(0, 50), std::string("directory")}) {
    fs::remove(file_);
    if (content == "directory") {
      fs::create_directory(file_);
    } else {
      WriteFile(file_, content);
    }
    std::string text = "unchanged";
    int32_t read = 0;
    EXPECT_FALSE(settings_.SetParam("1", 1, "S", "V", -1));
    EXPECT_FALSE(settings_.GetParam(&read, 4, "S", "V", -1));
    EXPECT_EQ(settings_.GetParamDataLen("S", "V", -1), 0u);
    EXPECT_FALSE(settings_.SetString(&text, "S", "T", -1));
    EXPECT_FALSE(settings_.GetString(&text, "S", "T", -1));
    EXPECT_EQ(text, "unchanged");
    EXPECT_EQ(vem::Hive::Get(vem::RegistryRoot::kCurrentUser), nullptr);
    EXPECT_EQ(fs::is_directory(file_) ? "directory" : ReadFile(file_), content) << content.size();
  }
}

TEST_F(HiveFileTest, ReadOnlyDirectoryAllowsReadsAndRefusesWrites) {
  const std::string before = ValidHive();
  chmod(dir_.c_str(), 0555);
  // Permissions do not bind the superuser, so the check runs as nobody then.
  EXPECT_EQ(InChild([&] {
              const passwd* nobody = getpwnam("nobody");
              if (geteuid() == 0 && (nobody == nullptr || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0)) {
                return 10;
              }
              char value = 0;
              if (!settings_.GetParam(&value, 1, "S", "V", -1) || value != '7') return 11;
              return settings_.SetParam("8", 1, "S", "V", -1) || settings_.SetParam("8", 1, "New", "V", -1) ? 12 : 0;
            }),
            0);
  EXPECT_EQ(ReadFile(file_), before);
}

// Two forked writers, each through a connection of its own (not the one the
// parent had open when it forked), lose nothing, and the parent reads all.
TEST_F(HiveFileTest, ProcessesWritingAtOnceLoseNothing) {
  ASSERT_TRUE(settings_.SetParam("p", 1, "Parent", "V", -1));
  const std::shared_ptr<vem::Hive> parent_hive = vem::Hive::Get(vem::RegistryRoot::kCurrentUser);
  pid_t writers[2];
  for (int w = 0; w < 2; ++w) {
    if ((writers[w] = fork()) != 0) continue;
    if (vem::Hive::Get(vem::RegistryRoot::kCurrentUser) == parent_hive) _exit(2);
    for (int32_t i = 0; i < 500; ++i) {
      const int32_t value = w * 1000 + i;
      if (!settings_.SetParam(&value, 4, w == 0 ? "First" : "Second", "V", i)) _exit(1);
    }
    _exit(0);
  }
  for (pid_t writer : writers) {
    int status = 0;
    waitpid(writer, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << WEXITSTATUS(status);
  }
  EXPECT_EQ(vem::Hive::Get(vem::RegistryRoot::kCurrentUser), parent_hive);
  for (int w = 0; w < 2; ++w) {
    for (int32_t i = 0; i < 500; ++i) {
      int32_t value = -1;
      ASSERT_TRUE(settings_.GetParam(&value, 4, w == 0 ? "First" : "Second", "V", i) && value == w * 1000 + i) << i;
    }
  }
  ASSERT_TRUE(settings_.SetParam("q", 1, "Parent", "W", -1));
  EXPECT_EQ(QueryText(file_, "PRAGMA integrity_check"), "ok");
}

TEST_F(HiveFileTest, WriterKilledMidLoopKeepsEveryReportedWrite) {
  int reports[2];
  ASSERT_EQ(pipe(reports), 0);
  const pid_t writer = fork();
  if (writer == 0) {
    std::vector<uint8_t> payload(4096);
    for (int32_t i = 0;; ++i) {
      payload[0] = static_cast<uint8_t>(i);
      if (!settings_.SetParam(payload.data(), 4096, "Kill", "V", i)) _exit(1);
      if (write(reports[1], &i, sizeof i) != sizeof i) _exit(2);
    }
  }
  close(reports[1]);
  std::set<int32_t> reported;
  int32_t done;
  while (reported.size() < 300 && read(reports[0], &done, sizeof done) == sizeof done) reported.insert(done);
  kill(writer, SIGKILL);
  while (read(reports[0], &done, sizeof done) == sizeof done) reported.insert(done);
  close(reports[0]);
  int status = 0;
  waitpid(writer, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself";
  EXPECT_EQ(QueryText(file_, "PRAGMA integrity_check"), "ok");
  for (int32_t i : reported) EXPECT_EQ(settings_.GetParamDataLen("Kill", "V", i), 4096u) << i;
  EXPECT_TRUE(settings_.SetParam("1", 1, "Kill", "After", -1));
}

// At unload the connection closes and folds its log into the file; a
// process ended without unloading leaves the values in the log alone.
TEST_F(HiveFileTest, UnloadFoldsTheLogIntoTheFile) {
  for (const bool unload : {true, false}) {
    InChild([&] {
      settings_.SetParam("1", 1, unload ? "Unloaded" : "Ended", "V", -1);
      if (unload) exit(0);
      return 0;
    });
    fs::copy_file(file_, dir_ + "/alone.db", fs::copy_options::overwrite_existing);
    EXPECT_EQ(QueryText(dir_ + "/alone.db", "SELECT count(*) FROM reg_values"), "1") << unload;
  }
}

TEST(HiveLocationTest, FollowsTheVariablesAndCreatesPrivateDirectories) {
  const vem_test::TempFolder homeFolder;
  const std::string home = homeFolder.path(), saved_home = getenv("HOME") ? getenv("HOME") : "/";
  const struct {
    const char *dir, *xdg, *home;
    vem::RegistryRoot root;
    std::string file;  // empty: no location
  } kLocations[] = {
      {nullptr, nullptr, "/h", vem::RegistryRoot::kCurrentUser, "/h/.config/vemmisc/registry/HKEY_CURRENT_USER.db"},
      {nullptr, "/xdg", "/h", vem::RegistryRoot::kCurrentUser, "/xdg/vemmisc/registry/HKEY_CURRENT_USER.db"},
      {nullptr, "", nullptr, vem::RegistryRoot::kCurrentUser, ""},
      {nullptr, "/xdg", "/h", vem::RegistryRoot::kUsers, "/var/lib/vemmisc/registry/HKEY_USERS.db"},
      {nullptr, nullptr, nullptr, vem::RegistryRoot::kClassesRoot, "/var/lib/vemmisc/registry/HKEY_CLASSES_ROOT.db"},
      {"/r", "/xdg", "/h", vem::RegistryRoot::kCurrentConfig, "/r/HKEY_CURRENT_CONFIG.db"},
      {"", nullptr, home.c_str(), vem::RegistryRoot::kCurrentUser,
       home + "/.config/vemmisc/registry/HKEY_CURRENT_USER.db"},
  };
  for (const auto& entry : kLocations) {
    const char* const values[] = {entry.dir, entry.xdg, entry.home};
    const char* const names[] = {"VEMMISC_REGISTRY_DIR", "XDG_CONFIG_HOME", "HOME"};
    for (int i = 0; i < 3; ++i) values[i] ? setenv(names[i], values[i], 1) : unsetenv(names[i]);
    vem::HiveLocation location;
    ASSERT_EQ(vem::LocateHive(entry.root, &location), !entry.file.empty()) << entry.file;
    if (entry.file.empty()) continue;
    EXPECT_EQ(location.file, entry.file);
    EXPECT_EQ(location.machine_wide, entry.file.rfind("/var/lib/", 0) == 0) << entry.file;
  }
  // The last location, made on first use: every level for the user only.
  ASSERT_NE(vem::Hive::Get(vem::RegistryRoot::kCurrentUser), nullptr);
  struct stat info;
  for (const char* level : {"/.config", "/.config/vemmisc", "/.config/vemmisc/registry"}) {
    ASSERT_EQ(stat((home + level).c_str(), &info), 0) << level;
    EXPECT_EQ(info.st_mode & 0777, 0700u) << level;
  }
  EXPECT_TRUE(fs::exists(kLocations[6].file));
  setenv("HOME", saved_home.c_str(), 1);
  unsetenv("XDG_CONFIG_HOME");
  vem::Hive::Get(vem::RegistryRoot::kCurrentUser);  // lets the connection go
}

}  // namespace
