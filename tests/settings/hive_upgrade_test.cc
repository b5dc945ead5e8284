// A hive of the previous format, whose names were unique without regard to
// ASCII letter case only, is upgraded in one transaction when it is first
// opened, while a reader of the old format keeps its snapshot.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <array>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "settings/hive.h"
#include "tests/support/temp_folder.h"

namespace vem_test {
namespace {

// Spellings that the previous format kept apart and the registry takes for
// one name (words of the same number), and some it takes for two ("ß", "SS").
const char* const kNames[] = {"Äpfel", "äpfel", "ÄPFEL", "σ", "Σ", "x", "ß", "SS"};
const int kWord[] = {0, 0, 0, 1, 1, 2, 3, 4};

// Runs `sql`: the first column of the last row it yields, 0 if none, -1 if it fails.
int64_t Sql(sqlite3* db, const std::string& sql) {
  int64_t last = 0;
  const auto keep = [](void* out, int, char** row, char**) { return *static_cast<int64_t*>(out) = atoll(row[0]), 0; };
  return sqlite3_exec(db, sql.c_str(), keep, &last, nullptr) == SQLITE_OK ? last : -1;
}

TEST(HiveUpgradeTest, EveryValueSurvivesUnderItsNameOrANumberedOne) {
  const TempFolder folder;
  setenv("VEMMISC_REGISTRY_DIR", folder.path().c_str(), 1);
  sqlite3* old = nullptr;
  ASSERT_EQ(sqlite3_open(folder.PathOf("HKEY_CURRENT_USER.db").c_str(), &old), SQLITE_OK);
  ASSERT_EQ(
      Sql(old,
          "CREATE TABLE reg_keys(id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER REFERENCES reg_keys(id) "
          "ON DELETE CASCADE, name TEXT NOT NULL COLLATE NOCASE, UNIQUE(parent, name)); INSERT INTO reg_keys "
          "VALUES(0, NULL, ''); CREATE TABLE reg_values(key INTEGER NOT NULL REFERENCES reg_keys(id) ON DELETE "
          "CASCADE, name TEXT NOT NULL COLLATE NOCASE, type INTEGER NOT NULL, data BLOB NOT NULL, UNIQUE(key, "
          "name)); PRAGMA application_id = 1449487698; PRAGMA user_version = 1; PRAGMA journal_mode = WAL; BEGIN"),
      0);
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
  const int64_t count = static_cast<int64_t>(stored.size());
  ASSERT_EQ(Sql(old, "COMMIT; BEGIN; SELECT count(*) FROM reg_values"), count);
  std::shared_ptr<vem::Hive> hive = vem::Hive::Get(vem::RegistryRoot::kCurrentUser);
  ASSERT_NE(hive, nullptr);
  EXPECT_EQ(Sql(old, "SELECT count(*) FROM reg_values; COMMIT"), count);
  EXPECT_EQ(Sql(old, "INSERT INTO reg_keys(parent, name) VALUES(0, 'Old')"), -1);
  std::map<std::string, int> uses;  // of each word below each key
  for (const auto& [path, value_name, value, words] : stored) {
    const int use = ++uses[words];
    const std::string name = value_name + (use == 1 ? "" : " (" + std::to_string(use) + ")");
    vem::HiveKeyId key;
    uint32_t type = 0;
    std::vector<uint8_t> data;
    ASSERT_TRUE(hive->OpenKey(vem::kHiveRootKey, path, &key) && hive->QueryValue(key, name, &type, &data)) << name;
    EXPECT_EQ(std::string(data.begin(), data.end()), value) << name;
  }
  EXPECT_EQ(Sql(old, "PRAGMA user_version"), 2);
  EXPECT_EQ(Sql(old, "SELECT count(*) FROM pragma_integrity_check WHERE integrity_check <> 'ok'"), 0);
  sqlite3_close(old);
  hive.reset();
  unsetenv("VEMMISC_REGISTRY_DIR");
  vem::Hive::Get(vem::RegistryRoot::kCurrentUser);  // lets the connection go
}

}  // namespace
}  // namespace vem_test
