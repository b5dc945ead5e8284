// The hive of this platform, where its rules are not compared with Wine's
// registry (vemreg's tests do that): where the file lives; what in its place
// is no hive (every call fails and the file stays exactly as it was); a hive
// in a read-only directory, read by a process forked while its parent has
// the hive open; the depth limit; the roots, and key handles that keep their
// hive when VEMMISC_REGISTRY_DIR changes; the upgrade of an old hive.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "VemSettings.h"
#include "settings/hive.h"
#include "settings/hive_env.h"
#include "settings/registry.h"
#include "tests/support/temp_folder.h"

namespace vem_test {
namespace {

namespace fs = std::filesystem;
constexpr vem::RegistryRoot kUser = vem::RegistryRoot::kCurrentUser;

// Runs `sql`: the first column of the last row it yields, 0 if none, -1 if it fails.
int64_t Sql(sqlite3* db, const std::string& sql) {
  int64_t last = 0;
  const auto keep = [](void* out, int, char** row, char**) { return *static_cast<int64_t*>(out) = atoll(row[0]), 0; };
  return sqlite3_exec(db, sql.c_str(), keep, &last, nullptr) == SQLITE_OK ? last : -1;
}

// The exit status of `body` run in a child process.
template <typename Body>
int InChild(Body body) {
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  return waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class HiveTest : public ::testing::Test {
 protected:
  HiveTest() { setenv("VEMMISC_REGISTRY_DIR", folder_.path().c_str(), 1); }

  // What lies in the place of the user's hive: its bytes, or "directory".
  std::string HiveFile() const { return fs::is_directory(file_) ? "directory" : folder_.Read(kHiveName); }

  static constexpr const char* kHiveName = "HKEY_CURRENT_USER.db";
  const TempFolder folder_;
  const std::string file_ = folder_.PathOf(kHiveName);
  SettingsManager settings_{"HKEY_CURRENT_USER", "Software\\Test", 0};
};

// The file of a root's hive as the variables name it (null: unset); a
// location is made on first use, each level for the user only.
TEST_F(HiveTest, LocationFollowsTheVariablesAndIsMadeForTheUserOnly) {
  const auto located = [](const char* dir, const char* xdg, const char* home, vem::RegistryRoot root) {
    const char* const values[] = {dir, xdg, home};
    const char* const names[] = {"VEMMISC_REGISTRY_DIR", "XDG_CONFIG_HOME", "HOME"};
    for (int i = 0; i < 3; ++i) values[i] ? setenv(names[i], values[i], 1) : unsetenv(names[i]);
    vem::HiveLocation location;
    return vem::LocateHive(root, &location) ? location.file + (location.machine_wide ? " for all" : "") : "none";
  };
  const std::string home = getenv("HOME");
  const fs::path started = fs::current_path();
  fs::current_path(folder_.path());  // a relative location below it, whose first level is new
  EXPECT_EQ(located(nullptr, nullptr, "/h", kUser), "/h/.config/vemmisc/registry/HKEY_CURRENT_USER.db");
  EXPECT_EQ(located("", "/x", "/h", kUser), "/x/vemmisc/registry/HKEY_CURRENT_USER.db");
  EXPECT_EQ(located(nullptr, "", nullptr, kUser), "none");
  EXPECT_EQ(located(nullptr, "/x", "/h", vem::RegistryRoot::kUsers), "/var/lib/vemmisc/registry/HKEY_USERS.db for all");
  EXPECT_EQ(located("made/hives", "/x", "/h", vem::RegistryRoot::kClassesRoot), "made/hives/HKEY_CLASSES_ROOT.db");
  EXPECT_NE(vem::Hive::Get(vem::RegistryRoot::kClassesRoot), nullptr);
  EXPECT_EQ(fs::status("made/hives").permissions(), fs::perms::owner_all);
  EXPECT_EQ(fs::status("made").permissions(), fs::perms::owner_all);
  fs::current_path(started);
  setenv("HOME", home.c_str(), 1);
}

// What lies in the hive's place and is no hive fails every call and is kept
// as it is. A process forked while its parent has the hive open uses a
// connection of its own; in a read-only directory it can read, not write.
TEST_F(HiveTest, WhatIsNoHiveIsKeptAndAReadOnlyHiveIsOnlyRead) {
  ASSERT_EQ(InChild([&] { return settings_.SetParam("7", 1, "S", "V", -1) ? 0 : 1; }), 0);
  const std::string hive = HiveFile();
  const std::string foreign = hive.substr(0, 68) + std::string(4, '\0') + hive.substr(72);  // no application id
  for (const std::string& content : {std::string(), std::string(5000, '\x5A'), foreign, hive.substr(0, hive.size() / 2),
                                     hive.substr(0, 50), std::string("directory")}) {
    fs::remove_all(file_);
    content == "directory" ? (void)fs::create_directory(file_) : (void)(std::ofstream(file_) << content);
    std::string text = "unchanged";
    EXPECT_FALSE(settings_.SetParam("1", 1, "S", "V", -1) || settings_.SetString(&text, "S", "T", -1) ||
                 settings_.GetString(&text, "S", "V", -1) || settings_.GetParamDataLen("S", "V", -1) != 0 ||
                 text != "unchanged");
    EXPECT_EQ(HiveFile(), content) << content.size();
  }
  fs::remove_all(file_);
  ASSERT_TRUE(settings_.SetParam("7", 1, "S", "V", -1));
  chmod(folder_.path().c_str(), 0555);
  EXPECT_EQ(InChild([&] {  // permissions do not bind the superuser, so the child runs as nobody then
              const passwd* nobody = getpwnam("nobody");
              if (geteuid() == 0 && (nobody == nullptr || setgid(nobody->pw_gid) || setuid(nobody->pw_uid))) return 10;
              char value = 0;
              return 0 + (!settings_.GetParam(&value, 1, "S", "V", -1) || value != '7' ||
                          settings_.SetParam("8", 1, "S", "V", -1) || settings_.SetParam("8", 1, "New", "V", -1));
            }),
            0);
  chmod(folder_.path().c_str(), 0700);
}

// A key lies at most kMaxKeyDepth levels below its root: a path that would
// go deeper is refused and makes none of its levels.
TEST_F(HiveTest, KeysLieNoDeeperThanTheDepthLimit) {
  const std::shared_ptr<vem::Hive> hive = vem::Hive::Get(kUser);
  std::string path = "d";
  for (int level = 2; level < vem::kMaxKeyDepth; ++level) path += "\\d";
  vem::HiveKeyId id, made;
  ASSERT_TRUE(hive != nullptr && hive->CreateKey(vem::kHiveRootKey, path, &id));
  EXPECT_TRUE(!hive->CreateKey(id, "d\\d", &made) && !hive->OpenKey(id, "d", &made));
  EXPECT_TRUE(hive->CreateKey(id, "d", &made) && hive->DeleteKey(made));
}

// Each root has the handle Windows gives it and a hive of its own, and a key
// handle keeps writing to the hive it was opened in whatever
// VEMMISC_REGISTRY_DIR says later. A value with an index is stored under its
// name followed by the index. Defaults change only with storage type 0.
TEST_F(HiveTest, EveryRootAndEveryKeyHandleKeepsItsOwnHive) {
  const uintptr_t kHandles[] = {0x80000000u, 0x80000001u, 0x80000002u, 0x80000003u, 0x80000005u};
  ASSERT_EQ(std::size(kHandles), size_t{vem::kRegistryRootCount});
  const TempFolder second;
  for (int i = 0; i < vem::kRegistryRootCount; ++i) {
    const vem::RegistryRoot root = static_cast<vem::RegistryRoot>(i);
    const std::string name = vem::RegistryRootName(root), indexed = "N" + std::to_string(i);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(vem::PredefinedRegistryKey(root)), kHandles[i] | ~uintptr_t{0xFFFFFFFF});
    VemRegKey key, missing;
    ASSERT_TRUE(vem::CreateRegistryKey(vem::PredefinedRegistryKey(root), "Software\\S", &key));
    setenv("VEMMISC_REGISTRY_DIR", second.path().c_str(), 1);
    EXPECT_TRUE(vem::SetRegistryValue(key, name.c_str(), vem::kRegBinary, name.c_str(), name.size() + 1));
    EXPECT_FALSE(vem::OpenRegistryKey(key, "Missing", &missing));
    EXPECT_TRUE(vem::CloseRegistryKey(key));
    SettingsManager settings(name.c_str(), "Software", 0);
    EXPECT_TRUE(settings.SetString(&name, "S", "N", i) && settings.GetParamDataLen("S", "N", (i + 4) % 5) == 0);
    EXPECT_EQ(settings.GetParamDataLen("S", indexed.c_str(), -1), name.size() + 1) << name;
    setenv("VEMMISC_REGISTRY_DIR", folder_.path().c_str(), 1);
    std::string read;
    EXPECT_TRUE(settings.GetString(&read, "S", name.c_str(), -1) && read == name) << name;
    EXPECT_EQ(settings.GetParamDataLen("S", indexed.c_str(), -1), 0u) << name;
  }
  EXPECT_FALSE(SettingsManager::InitSettings("HKEY_USERS", "x", 1));
  EXPECT_TRUE(SettingsManager::InitSettings(nullptr, nullptr, 0));
}

// Spellings that the previous format kept apart and the registry takes for
// one name (words of the same number), and some it takes for two ("ß", "SS").
const char* const kNames[] = {"Äpfel", "äpfel", "ÄPFEL", "σ", "Σ", "x", "ß", "SS"};
const int kWord[] = {0, 0, 0, 1, 1, 2, 3, 4};

// A hive of the previous format as it was made, and a transaction begun in it.
const char* const kOldHive =
    "CREATE TABLE reg_keys(id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER REFERENCES reg_keys(id) "
    "ON DELETE CASCADE, name TEXT NOT NULL COLLATE NOCASE, UNIQUE(parent, name)); INSERT INTO reg_keys "
    "VALUES(0, NULL, ''); CREATE TABLE reg_values(key INTEGER NOT NULL REFERENCES reg_keys(id) ON DELETE "
    "CASCADE, name TEXT NOT NULL COLLATE NOCASE, type INTEGER NOT NULL, data BLOB NOT NULL, UNIQUE(key, "
    "name)); PRAGMA application_id = 1449487698; PRAGMA user_version = 1; PRAGMA journal_mode = WAL; BEGIN";

// A hive of the previous format, whose names were unique without regard to
// ASCII letter case only, is upgraded in one transaction when it is first
// opened, while a reader of the old format keeps its snapshot.
TEST_F(HiveTest, AnOldHiveIsUpgradedAndEveryValueSurvivesUnderItsNameOrANumberedOne) {
  sqlite3* old = nullptr;
  ASSERT_EQ(sqlite3_open(file_.c_str(), &old), SQLITE_OK);
  ASSERT_EQ(Sql(old, kOldHive), 0);
  // Values below keys of one or two levels, as the previous format let them be stored.
  std::mt19937 random(14);
  std::vector<std::array<std::string, 4>> stored;  // key path, value name, data, and its words
  for (int i = 0; i < 300; ++i) {
    std::string path, words, key = "0";
    for (size_t level = 0, count = 1 + random() % 2; level < count; ++level) {
      const int name = static_cast<int>(random() % 8);
      path += (path.empty() ? "" : "\\") + std::string(kNames[name]);
      words += std::to_string(kWord[name]) + "\\";
      const std::string row = "(" + key + ", '" + kNames[name] + "')";
      key = std::to_string(Sql(old, "INSERT OR IGNORE INTO reg_keys(parent, name) VALUES" + row +
                                        "; SELECT id FROM reg_keys WHERE (parent, name) = " + row));
    }
    const int name = static_cast<int>(random() % 8);
    const std::string data = "v" + std::to_string(i);
    if (Sql(old, "INSERT INTO reg_values VALUES(" + key + ", '" + kNames[name] + "', 3, '" + data + "')") == 0) {
      stored.push_back({path, kNames[name], data, words + std::to_string(kWord[name])});
    }
  }
  // The reader of the previous format keeps its snapshot while this process
  // upgrades the hive; afterwards its writes fail, and harm nothing.
  ASSERT_EQ(Sql(old, "COMMIT; BEGIN; SELECT count(*) FROM reg_values"), static_cast<int64_t>(stored.size()));
  ASSERT_NE(vem::Hive::Get(kUser), nullptr);
  EXPECT_EQ(Sql(old, "SELECT count(*) FROM reg_values; COMMIT"), static_cast<int64_t>(stored.size()));
  EXPECT_EQ(Sql(old, "INSERT INTO reg_keys(parent, name) VALUES(0, 'Old')"), -1);
  SettingsManager settings("HKEY_CURRENT_USER", "", 0);
  std::map<std::string, int> uses;  // of each word below each key
  for (const auto& [path, value_name, value, words] : stored) {
    const int use = ++uses[words];
    const std::string name = value_name + (use == 1 ? "" : " (" + std::to_string(use) + ")");
    std::string read;
    EXPECT_TRUE(settings.GetString(&read, path.c_str(), name.c_str(), -1) && read == value) << name;
  }
  EXPECT_EQ(Sql(old, "PRAGMA user_version"), 2);
  EXPECT_EQ(Sql(old, "SELECT count(*) FROM pragma_integrity_check WHERE integrity_check <> 'ok'"), 0);
  sqlite3_close(old);
}

}  // namespace
}  // namespace vem_test
