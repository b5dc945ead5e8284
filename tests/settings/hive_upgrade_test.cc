// A hive of the previous format, whose names were unique without regard to
// ASCII letter case only, is upgraded when it is first opened.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "settings/hive.h"
#include "tests/support/temp_folder.h"
#include "text/name_case.h"

namespace {

const char kPreviousFormat[] =
    "CREATE TABLE reg_keys(id INTEGER PRIMARY KEY AUTOINCREMENT,"
    "  parent INTEGER REFERENCES reg_keys(id) ON DELETE CASCADE,"
    "  name TEXT NOT NULL COLLATE NOCASE, UNIQUE(parent, name));"
    "INSERT INTO reg_keys(id, parent, name) VALUES(0, NULL, '');"
    "CREATE TABLE reg_values(key INTEGER NOT NULL REFERENCES reg_keys(id) ON DELETE CASCADE,"
    "  name TEXT NOT NULL COLLATE NOCASE, type INTEGER NOT NULL, data BLOB NOT NULL,"
    "  UNIQUE(key, name));"
    "PRAGMA application_id = 1449487698; PRAGMA user_version = 1; PRAGMA journal_mode = WAL;";

// Spellings the previous format kept apart and the registry takes for one
// name ("Äpfel" and "äpfel"), and some it takes for two ("ß" and "SS").
const char* const kNames[] = {
    "\xC3\x84pfel", "\xC3\xA4pfel", "\xC3\x84PFEL", "\xCF\x83", "\xCE\xA3", "x", "\xC3\x9F", "SS"};

int64_t QueryInt(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* stmt = nullptr;
  int64_t value = -1;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW) {
    value = sqlite3_column_int64(stmt, 0);
  }
  sqlite3_finalize(stmt);
  return value;
}

bool Execute(sqlite3* db, const std::string& sql) {
  return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

struct StoredValue {
  std::vector<std::string> levels;
  std::string name;
  std::string data;
};

// Fills an old hive with values below keys named from kNames, as the previous
// format let them be stored; returns them in the order they were stored.
std::vector<StoredValue> FillPreviousFormat(sqlite3* db, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<StoredValue> stored;
  Execute(db, "BEGIN");
  for (int i = 0; i < 300; ++i) {
    StoredValue value;
    int64_t key = 0;
    for (size_t level = 0, count = 1 + random() % 2; level < count; ++level) {
      value.levels.push_back(kNames[random() % 8]);
      const std::string name = "'" + value.levels.back() + "'";
      Execute(db, "INSERT OR IGNORE INTO reg_keys(parent, name) VALUES(" + std::to_string(key) + ", " + name + ")");
      key = QueryInt(db, "SELECT id FROM reg_keys WHERE parent = " + std::to_string(key) + " AND name = " + name);
    }
    value.name = kNames[random() % 8];
    value.data = "v" + std::to_string(i);
    if (Execute(db, "INSERT INTO reg_values VALUES(" + std::to_string(key) + ", '" + value.name + "', 3, '" +
                        value.data + "')")) {
      stored.push_back(value);
    }
  }
  Execute(db, "COMMIT");
  return stored;
}

TEST(HiveUpgradeTest, EveryValueSurvivesUnderItsNameOrANumberedOne) {
  const vem_test::TempFolder dirFolder;
  const std::string& dir = dirFolder.path();
  setenv("VEMMISC_REGISTRY_DIR", dir.c_str(), 1);
  sqlite3* old_connection = nullptr;
  ASSERT_EQ(sqlite3_open((dir + "/HKEY_CURRENT_USER.db").c_str(), &old_connection), SQLITE_OK);
  ASSERT_TRUE(Execute(old_connection, kPreviousFormat));
  const std::vector<StoredValue> stored = FillPreviousFormat(old_connection, 14);
  ASSERT_TRUE(Execute(old_connection, "INSERT INTO reg_keys(parent, name) VALUES(0, 'Gone')"));
  const int64_t deleted_id = QueryInt(old_connection, "SELECT max(id) FROM reg_keys");
  ASSERT_TRUE(Execute(old_connection, "DELETE FROM reg_keys WHERE name = 'Gone'"));
  // A reader of the previous version keeps its snapshot while others upgrade.
  ASSERT_TRUE(Execute(old_connection, "BEGIN"));
  ASSERT_EQ(QueryInt(old_connection, "SELECT count(*) FROM reg_values"), static_cast<int64_t>(stored.size()));

  // Two processes open (and so upgrade) the hive at once.
  pid_t openers[2];
  for (pid_t& opener : openers) {
    opener = fork();
    if (opener == 0) _exit(vem::Hive::Get(vem::RegistryRoot::kCurrentUser) != nullptr ? 0 : 1);
  }
  for (pid_t opener : openers) {
    int status = 0;
    waitpid(opener, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(QueryInt(old_connection, "SELECT count(*) FROM reg_values"), static_cast<int64_t>(stored.size()));
  ASSERT_TRUE(Execute(old_connection, "COMMIT"));
  // Its writes in the previous format now fail, and harm nothing.
  EXPECT_FALSE(Execute(old_connection, "INSERT INTO reg_keys(parent, name) VALUES(0, 'Old')"));

  std::shared_ptr<vem::Hive> hive = vem::Hive::Get(vem::RegistryRoot::kCurrentUser);
  ASSERT_NE(hive, nullptr);
  std::map<std::string, int> uses;  // of each name of each key
  for (const StoredValue& value : stored) {
    std::string path, same_name;
    for (const std::string& level : value.levels) {
      path += (path.empty() ? "" : "\\") + level;
      same_name += vem::NameKey(level) + '\\';
    }
    const int use = ++uses[same_name + vem::NameKey(value.name)];
    const std::string name = use == 1 ? value.name : value.name + " (" + std::to_string(use) + ")";
    vem::HiveKeyId key;
    uint32_t type = 0;
    std::vector<uint8_t> data;
    ASSERT_TRUE(hive->OpenKey(vem::kHiveRootKey, path, &key)) << path;
    ASSERT_TRUE(hive->QueryValue(key, name, &type, &data)) << path << " " << name;
    EXPECT_EQ(std::string(data.begin(), data.end()), value.data) << path << " " << name;
  }
  EXPECT_EQ(QueryInt(old_connection, "SELECT count(*) FROM reg_values"), static_cast<int64_t>(stored.size()));
  vem::HiveKeyId new_key;
  ASSERT_TRUE(hive->CreateKey(vem::kHiveRootKey, "New", &new_key));
  EXPECT_GT(new_key, deleted_id);  // ids are never reused
  EXPECT_EQ(QueryInt(old_connection, "PRAGMA user_version"), 2);
  EXPECT_EQ(QueryInt(old_connection,
                     "SELECT count(*) FROM pragma_integrity_check"
                     " WHERE integrity_check <> 'ok'"),
            0);
  sqlite3_close(old_connection);
  hive.reset();
  unsetenv("VEMMISC_REGISTRY_DIR");
  vem::Hive::Get(vem::RegistryRoot::kCurrentUser);  // lets the connection go
}

}  // namespace
