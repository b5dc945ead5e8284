// The hive shared by processes: persistence, concurrent writers, a writer
// killed in the middle of its work, and connections across fork().
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "VemSettings.h"
#include "settings/hive.h"
#include "tests/settings/scratch_registry.h"
#include "tests/settings/temp_dir.h"

namespace {

// Runs `body` in a child process; its result is the child's exit status.
template <typename Body>
int RunInChild(Body body) {
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string HiveFile() { return vem::Hive::Get(vem::RegistryRoot::kCurrentUser)->file_path(); }

std::string IntegrityCheck(const std::string& file) {
  sqlite3* db = nullptr;
  std::string result = "cannot open";
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW) {
      result = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    }
    sqlite3_finalize(stmt);
  }
  sqlite3_close(db);
  return result;
}

// The number of values in a hive file read alone, without its write-ahead
// log: a copy of the file is opened where no log lies beside it.
int ValuesInFileAlone(const std::string& hive_file) {
  const std::string dir = MakeTempDir();
  const std::string copy = dir + "/copy.db";
  std::filesystem::copy_file(hive_file, copy);
  sqlite3* db = nullptr;
  int count = -1;
  if (sqlite3_open_v2(copy.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT count(*) FROM reg_values", -1, &stmt, nullptr) ==
            SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW) {
      count = sqlite3_column_int(stmt, 0);
    }
    sqlite3_finalize(stmt);
  }
  sqlite3_close(db);
  RemoveTree(dir);
  return count;
}

TEST(HiveUnloadTest, ClosingTheConnectionAtUnloadFoldsTheLogIntoTheFile) {
  for (const bool unload : {true, false}) {
    const std::string dir = MakeTempDir();
    const pid_t pid = fork();
    if (pid == 0) {
      setenv("VEMMISC_REGISTRY_DIR", dir.c_str(), 1);
      const int32_t value = 1;
      SettingsManager("HKEY_CURRENT_USER", "Software", 0).SetParam(&value, 4, "S", "V", -1);
      // exit() unloads the library (its global objects are destroyed);
      // _exit() ends the process with the connection still open.
      if (unload) exit(0);
      _exit(0);
    }
    waitpid(pid, nullptr, 0);
    EXPECT_EQ(ValuesInFileAlone(dir + "/HKEY_CURRENT_USER.db"), unload ? 1 : 0)
        << (unload ? "after unload" : "without unload");
    RemoveTree(dir);
  }
}

class HiveProcessTest : public ::testing::Test {
 protected:
  ScratchRegistry scratch_;
  SettingsManager settings_{"HKEY_CURRENT_USER", scratch_.key_path().c_str(), 0};
};

TEST_F(HiveProcessTest, ValuesWrittenByOneProcessAreReadByAnother) {
  const int64_t value = 0x1122334455667788;
  ASSERT_EQ(RunInChild([&] { return settings_.SetParam(&value, 8, "S", "Written", -1) ? 0 : 1; }),
            0);
  int64_t read = 0;
  ASSERT_TRUE(settings_.GetParam(&read, 8, "S", "Written", -1));
  EXPECT_EQ(read, value);
  // The other direction, through a connection the child opens for itself.
  const int64_t second = 99;
  ASSERT_TRUE(settings_.SetParam(&second, 8, "S", "Second", -1));
  EXPECT_EQ(RunInChild([&] {
              int64_t got = 0;
              return settings_.GetParam(&got, 8, "S", "Second", -1) && got == 99 ? 0 : 1;
            }),
            0);
}

TEST_F(HiveProcessTest, ForkedChildDoesNotUseItsParentsConnection) {
  std::shared_ptr<vem::Hive> parent_hive = vem::Hive::Get(vem::RegistryRoot::kCurrentUser);
  ASSERT_NE(parent_hive, nullptr);
  EXPECT_EQ(RunInChild([&] {
              std::shared_ptr<vem::Hive> child_hive =
                  vem::Hive::Get(vem::RegistryRoot::kCurrentUser);
              vem::HiveKeyId key;
              const bool wrote = child_hive != nullptr && child_hive != parent_hive &&
                                 child_hive->CreateKey(vem::kHiveRootKey, "FromChild", &key) &&
                                 child_hive->SetValue(key, "V", vem::kRegBinary, "c", 1);
              return wrote ? 0 : 1;
            }),
            0);
  EXPECT_EQ(vem::Hive::Get(vem::RegistryRoot::kCurrentUser), parent_hive);
  vem::HiveKeyId key;
  ASSERT_TRUE(parent_hive->OpenKey(vem::kHiveRootKey, "FromChild", &key));
  EXPECT_TRUE(parent_hive->SetValue(key, "W", vem::kRegBinary, "p", 1));
  EXPECT_EQ(IntegrityCheck(parent_hive->file_path()), "ok");
}

TEST_F(HiveProcessTest, TwoProcessesWritingAtOnceLoseNothing) {
  constexpr int kValuesPerWriter = 1000;
  pid_t writers[2];
  for (int w = 0; w < 2; ++w) {
    writers[w] = fork();
    if (writers[w] == 0) {
      int failures = 0;
      for (int i = 0; i < kValuesPerWriter; ++i) {
        const int32_t value = w * kValuesPerWriter + i;
        failures += !settings_.SetParam(&value, 4, w == 0 ? "First" : "Second", "V", i);
      }
      _exit(failures == 0 ? 0 : 1);
    }
  }
  for (pid_t writer : writers) {
    int status = 0;
    waitpid(writer, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a write failed";
  }
  for (int w = 0; w < 2; ++w) {
    for (int i = 0; i < kValuesPerWriter; ++i) {
      int32_t value = -1;
      ASSERT_TRUE(settings_.GetParam(&value, 4, w == 0 ? "First" : "Second", "V", i))
          << w << " " << i;
      EXPECT_EQ(value, w * kValuesPerWriter + i);
    }
  }
  EXPECT_EQ(IntegrityCheck(HiveFile()), "ok");
}

TEST_F(HiveProcessTest, WriterKilledMidLoopKeepsEveryReportedWrite) {
  int reports[2];
  ASSERT_EQ(pipe(reports), 0);
  const pid_t writer = fork();
  if (writer == 0) {
    close(reports[0]);
    std::vector<uint8_t> payload(4096);
    for (int32_t i = 0;; ++i) {
      payload[0] = static_cast<uint8_t>(i);
      if (!settings_.SetParam(payload.data(), static_cast<int32_t>(payload.size()), "Kill", "V",
                              i)) {
        _exit(1);
      }
      if (write(reports[1], &i, sizeof i) != sizeof i) _exit(2);
    }
  }
  close(reports[1]);
  std::set<int32_t> reported;
  int32_t done;
  while (reported.size() < 300 && read(reports[0], &done, sizeof done) == sizeof done) {
    reported.insert(done);
  }
  kill(writer, SIGKILL);
  while (read(reports[0], &done, sizeof done) == sizeof done) reported.insert(done);
  close(reports[0]);
  int status = 0;
  waitpid(writer, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself";
  ASSERT_GE(reported.size(), 300u);

  EXPECT_EQ(IntegrityCheck(HiveFile()), "ok");
  for (int32_t i : reported) {
    EXPECT_EQ(settings_.GetParamDataLen("Kill", "V", i), 4096u) << i;
  }
  // The hive takes new writes after the crash.
  const int32_t after = 1;
  EXPECT_TRUE(settings_.SetParam(&after, 4, "Kill", "After", -1));
}

}  // namespace
