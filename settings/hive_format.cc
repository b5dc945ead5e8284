#include "settings/hive_format.h"

#include <sqlite3.h>

#include <cstdint>
#include <string_view>
#include <unordered_map>

#include "text/name_case.h"

namespace vem {

namespace {

// The current format's tables under the given names.
std::string TablesSql(const std::string& keys, const std::string& values) {
  return "CREATE TABLE " + keys +
         "("
         "  id INTEGER PRIMARY KEY AUTOINCREMENT,"
         "  parent INTEGER REFERENCES " +
         keys +
         "(id) ON DELETE CASCADE,"
         "  name TEXT NOT NULL,"
         "  name_key BLOB NOT NULL,"
         "  UNIQUE(parent, name_key));"
         "CREATE TABLE " +
         values +
         "("
         "  key INTEGER NOT NULL REFERENCES " +
         keys +
         "(id) ON DELETE CASCADE,"
         "  name TEXT NOT NULL,"
         "  name_key BLOB NOT NULL,"
         "  type INTEGER NOT NULL,"
         "  data BLOB NOT NULL,"
         "  UNIQUE(key, name_key));";
}

std::string MarksSql() {
  return "PRAGMA application_id = " + std::to_string(kHiveApplicationId) +
         "; PRAGMA user_version = " + std::to_string(kHiveFormatVersion) + ";";
}

// One prepared statement, finalized at the end of its scope.
class Sql {
 public:
  Sql(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
  Sql(const Sql&) = delete;
  Sql& operator=(const Sql&) = delete;
  ~Sql() { sqlite3_finalize(stmt_); }

  sqlite3_stmt* get() const { return stmt_; }
  bool Step(int expected) { return stmt_ != nullptr && sqlite3_step(stmt_) == expected; }
  void BindText(int index, std::string_view text) {
    sqlite3_bind_text(stmt_, index, text.data() != nullptr ? text.data() : "", static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
  }
  void BindBlob(int index, const void* data, size_t size) {
    sqlite3_bind_blob64(stmt_, index, size != 0 ? data : "", size, SQLITE_TRANSIENT);
  }
  std::string_view Text(int column) const {
    const char* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return text != nullptr ? std::string_view(text, sqlite3_column_bytes(stmt_, column)) : std::string_view();
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

bool Execute(sqlite3* db, const std::string& sql) {
  return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

int UserVersion(sqlite3* db) {
  Sql query(db, "PRAGMA user_version");
  return query.Step(SQLITE_ROW) ? sqlite3_column_int(query.get(), 0) : -1;
}

typedef std::unordered_map<int64_t, int64_t> KeyIds;

// Copies the keys in id order, which puts every parent before its children.
// A key whose name is now a sibling's name becomes that sibling; `new_ids`
// tells which key each old id became.
bool CopyKeys(sqlite3* db, KeyIds* new_ids) {
  Sql select(db, "SELECT id, parent, name FROM reg_keys ORDER BY id");
  Sql find(db, "SELECT id FROM new_keys WHERE parent IS ?1 AND name_key = ?2");
  Sql insert(db, "INSERT INTO new_keys(id, parent, name, name_key) VALUES(?1, ?2, ?3, ?4)");
  if (find.get() == nullptr || insert.get() == nullptr) return false;
  int status;
  while ((status = sqlite3_step(select.get())) == SQLITE_ROW) {
    const int64_t id = sqlite3_column_int64(select.get(), 0);
    const bool is_root = sqlite3_column_type(select.get(), 1) == SQLITE_NULL;
    int64_t parent = 0;
    if (!is_root) {
      const auto found = new_ids->find(sqlite3_column_int64(select.get(), 1));
      if (found == new_ids->end()) return false;
      parent = found->second;
    }
    const std::string key = NameKey(select.Text(2));
    sqlite3_reset(find.get());
    sqlite3_reset(insert.get());
    if (is_root) {
      sqlite3_bind_null(find.get(), 1);
      sqlite3_bind_null(insert.get(), 2);
    } else {
      sqlite3_bind_int64(find.get(), 1, parent);
      sqlite3_bind_int64(insert.get(), 2, parent);
    }
    find.BindBlob(2, key.data(), key.size());
    if (find.Step(SQLITE_ROW)) {
      (*new_ids)[id] = sqlite3_column_int64(find.get(), 0);
      continue;
    }
    sqlite3_bind_int64(insert.get(), 1, id);
    insert.BindText(3, select.Text(2));
    insert.BindBlob(4, key.data(), key.size());
    if (!insert.Step(SQLITE_DONE)) return false;
    (*new_ids)[id] = id;
  }
  return status == SQLITE_DONE;
}

// Copies the values in the order they were made into the keys they belong
// to now; a later value whose name is taken gets a numbered name.
bool CopyValues(sqlite3* db, const KeyIds& new_ids) {
  Sql select(db, "SELECT key, name, type, data FROM reg_values ORDER BY rowid");
  Sql insert(db,
             "INSERT INTO new_values(key, name, name_key, type, data) "
             "VALUES(?1, ?2, ?3, ?4, ?5) ON CONFLICT DO NOTHING");
  if (insert.get() == nullptr) return false;
  int status;
  while ((status = sqlite3_step(select.get())) == SQLITE_ROW) {
    const auto key = new_ids.find(sqlite3_column_int64(select.get(), 0));
    if (key == new_ids.end()) return false;
    const std::string_view name = select.Text(1);
    for (int number = 1;; ++number) {
      const std::string candidate =
          number == 1 ? std::string(name) : std::string(name) + " (" + std::to_string(number) + ")";
      const std::string name_key = NameKey(candidate);
      sqlite3_reset(insert.get());
      sqlite3_bind_int64(insert.get(), 1, key->second);
      insert.BindText(2, candidate);
      insert.BindBlob(3, name_key.data(), name_key.size());
      sqlite3_bind_int64(insert.get(), 4, sqlite3_column_int64(select.get(), 2));
      insert.BindBlob(5, sqlite3_column_blob(select.get(), 3),
                      static_cast<size_t>(sqlite3_column_bytes(select.get(), 3)));
      if (!insert.Step(SQLITE_DONE)) return false;
      if (sqlite3_changes(db) == 1) break;
    }
  }
  return status == SQLITE_DONE;
}

bool UpgradeInTransaction(sqlite3* db) {
  KeyIds new_ids;
  return Execute(db, TablesSql("new_keys", "new_values")) && CopyKeys(db, &new_ids) && CopyValues(db, new_ids) &&
         // Ids of deleted keys stay used: the counter continues where it was.
         Execute(db,
                 "INSERT INTO sqlite_sequence(name, seq) SELECT 'new_keys', 0 WHERE NOT EXISTS"
                 " (SELECT 1 FROM sqlite_sequence WHERE name = 'new_keys');"
                 "UPDATE sqlite_sequence SET seq = max(seq, coalesce((SELECT seq FROM"
                 " sqlite_sequence WHERE name = 'reg_keys'), 0)) WHERE name = 'new_keys';"
                 "DROP TABLE reg_values; DROP TABLE reg_keys;"
                 "ALTER TABLE new_keys RENAME TO reg_keys;"
                 "ALTER TABLE new_values RENAME TO reg_values;") &&
         Execute(db, MarksSql());
}

}  // namespace

std::string NewHiveSql() {
  return TablesSql("reg_keys", "reg_values") +
         "INSERT INTO reg_keys(id, parent, name, name_key) VALUES(0, NULL, '', x'');" + MarksSql();
}

bool UpgradeHiveFormat(sqlite3* db) {
  if (!Execute(db, "BEGIN IMMEDIATE")) return false;
  const int version = UserVersion(db);
  const bool upgraded = version == kHiveFormatVersion || (version == 1 && UpgradeInTransaction(db));
  if (upgraded && Execute(db, "COMMIT")) return true;
  Execute(db, "ROLLBACK");
  return false;
}

}  // namespace vem
