// The hive's storage in SQLite, in the format of hive_format.h. Names are
// found by their comparison keys, so lookups ignore letter case while the
// stored name keeps the spelling it was created with. Foreign keys delete a
// key's values and sub-keys with it and refuse values for keys that no
// longer exist.
#include "settings/hive.h"

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <utility>

#include "settings/hive_env.h"
#include "settings/hive_format.h"
#include "text/name_case.h"

namespace vem {

namespace {

// Concurrent writers wait for each other rather than fail.
constexpr int kBusyTimeoutMs = 10000;
constexpr int kRetryIntervalMs = 5;

// A name and its comparison key; the limits count UTF-16 code units, two
// bytes of the key each.
struct KeyedName {
  explicit KeyedName(std::string_view text) : name(text), key(NameKey(text)) {}
  size_t length() const { return key.size() / 2; }
  std::string_view name;
  std::string key;
};

}  // namespace

enum Hive::StatementId : int {
  kBeginRead,
  kBegin,
  kCommit,
  kRollback,
  kSavepoint,
  kRelease,
  kRollbackToSavepoint,
  kFindChild,
  kInsertKey,
  kKeyName,
  kKeyDepth,
  kDeleteKey,
  kListSubKeys,
  kQueryValue,
  kSetValue,
  kDeleteValue,
  kListValues,
  kStatementCount,
};

// One use of a cached prepared statement; resets it when the use ends, which
// also ends the read transaction a SELECT opened.
class Hive::Statement {
 public:
  Statement(Hive& hive, StatementId id) : stmt_(hive.Prepared(id)) {}
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  ~Statement() {
    if (stmt_ != nullptr) {
      sqlite3_reset(stmt_);
      sqlite3_clear_bindings(stmt_);
    }
  }

  sqlite3_stmt* get() const { return stmt_; }

  void Bind(int index, int64_t value) { sqlite3_bind_int64(stmt_, index, value); }
  // Binds the name (parameter index) and its key (index + 1).
  void Bind(int index, const KeyedName& name) {
    Bind(index, name.name);
    BindBlob(index + 1, name.key.data(), name.key.size());
  }
  // Binds empty text as '' (a null pointer would bind SQL NULL).
  void Bind(int index, std::string_view text) {
    sqlite3_bind_text(stmt_, index, text.empty() ? "" : text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
  }
  void BindBlob(int index, const void* data, size_t size) {
    if (size == 0) {
      sqlite3_bind_zeroblob(stmt_, index, 0);
    } else {
      sqlite3_bind_blob64(stmt_, index, data, size, SQLITE_STATIC);
    }
  }

  // SQLITE_ROW, SQLITE_DONE or an error code (also when the statement could
  // not be prepared; binding to it then did nothing).
  int Step() { return stmt_ != nullptr ? sqlite3_step(stmt_) : SQLITE_ERROR; }
  bool Run() { return Step() == SQLITE_DONE; }

  std::string ColumnText(int column) const {
    const char* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return std::string(text != nullptr ? text : "", static_cast<size_t>(sqlite3_column_bytes(stmt_, column)));
  }
  std::vector<uint8_t> ColumnBlob(int column) const {
    const uint8_t* data = static_cast<const uint8_t*>(sqlite3_column_blob(stmt_, column));
    const size_t size = static_cast<size_t>(sqlite3_column_bytes(stmt_, column));
    return data != nullptr ? std::vector<uint8_t>(data, data + size) : std::vector<uint8_t>();
  }

 private:
  sqlite3_stmt* stmt_;
};

// One write: a transaction of its own, or a savepoint inside the caller's
// Hive::Transaction, so that a failed write leaves nothing behind either way.
class Hive::WriteScope {
 public:
  explicit WriteScope(Hive& hive) : hive_(hive), lock_(hive.mutex_), nested_(!sqlite3_get_autocommit(hive.db_)) {
    started_ = !hive.read_only_ && Statement(hive, nested_ ? kSavepoint : kBegin).Run();
  }
  WriteScope(const WriteScope&) = delete;
  WriteScope& operator=(const WriteScope&) = delete;
  ~WriteScope() {
    if (started_ && !finished_) Abandon();
  }

  bool started() const { return started_; }

  bool Commit() {
    if (!started_) return false;
    finished_ = true;
    if (Statement(hive_, nested_ ? kRelease : kCommit).Run()) return true;
    Abandon();
    return false;
  }

 private:
  void Abandon() {
    finished_ = true;
    if (nested_) {
      Statement(hive_, kRollbackToSavepoint).Run();
      Statement(hive_, kRelease).Run();
    } else if (!sqlite3_get_autocommit(hive_.db_)) {
      Statement(hive_, kRollback).Run();
    }
  }

  Hive& hive_;
  std::lock_guard<std::recursive_mutex> lock_;
  const bool nested_;
  bool started_ = false;
  bool finished_ = false;
};

// Several reads seen in one snapshot and paying for the locks of one read
// transaction; inside a write or a Hive::Transaction they simply join it.
class Hive::ReadScope {
 public:
  explicit ReadScope(Hive& hive) : hive_(hive), lock_(hive.mutex_) {
    started_ = sqlite3_get_autocommit(hive.db_) && Statement(hive, kBeginRead).Run();
  }
  ReadScope(const ReadScope&) = delete;
  ReadScope& operator=(const ReadScope&) = delete;
  ~ReadScope() {
    if (started_) Statement(hive_, kCommit).Run();
  }

 private:
  Hive& hive_;
  std::lock_guard<std::recursive_mutex> lock_;
  bool started_ = false;
};

Hive::Hive(sqlite3* db, std::string file_path, bool read_only)
    : db_(db),
      file_path_(std::move(file_path)),
      read_only_(read_only),
      process_id_(CurrentProcessId()),
      statements_(kStatementCount, nullptr) {}

Hive::~Hive() {
  if (abandoned_ || !OpenedByThisProcess()) return;
  for (sqlite3_stmt* stmt : statements_) sqlite3_finalize(stmt);
  sqlite3_close(db_);
}

std::shared_ptr<Hive> Hive::Get(RegistryRoot root) { return g_hive_connections.Get(root); }

bool Hive::OpenedByThisProcess() const { return process_id_ == CurrentProcessId(); }

std::shared_ptr<Hive> Hive::Open(const HiveLocation& location) {
  if (!MakeHiveDirectory(location)) return nullptr;
  if (HiveFileMissing(location.file) && !CreateHiveFile(location)) return nullptr;
  sqlite3* db = nullptr;
  // A file that may only be read is opened read-only by SQLite itself.
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
  if (sqlite3_open_v2(location.file.c_str(), &db, flags, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  // The write-ahead log and its index stay beside the hive when the last
  // connection closes, so that users who may not write in the hive's
  // directory (machine-wide hives) can still read it.
  int persist_wal = 1;
  sqlite3_file_control(db, "main", SQLITE_FCNTL_PERSIST_WAL, &persist_wal);
  std::shared_ptr<Hive> hive(new Hive(db, location.file, sqlite3_db_readonly(db, "main") == 1));
  if (!hive->PrepareSchema()) return nullptr;
  return hive;
}

// A new hive is made whole in a file of its own beside the hive's place and
// then given the hive's name, so that the place never holds a file that is
// not yet a hive: an empty file there is refused like any other non-hive
// (SQLite would take it for an empty database).
// Of processes making the hive at once, the first to name its file wins.
bool Hive::CreateHiveFile(const HiveLocation& location) {
  static std::atomic<int> serial{0};
  const std::string built =
      location.file + ".new-" + std::to_string(CurrentProcessId()) + "-" + std::to_string(++serial);
  sqlite3* db = nullptr;
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
  bool made = sqlite3_open_v2(built.c_str(), &db, flags, nullptr) == SQLITE_OK &&
              sqlite3_exec(db, NewHiveSql().c_str(), nullptr, nullptr, nullptr) == SQLITE_OK &&
              sqlite3_exec(db, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr) == SQLITE_OK;
  // Closing the only connection folds the log into the file and removes it.
  made = sqlite3_close(db) == SQLITE_OK && made;
  return PlaceHiveFile(built, location.file, made);
}

int Hive::QueryInt(const char* sql) {
  sqlite3_stmt* stmt = nullptr;
  int value = -1;
  if (sqlite3_prepare_v2(db_, sql, -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW) {
    value = sqlite3_column_int(stmt, 0);
  }
  sqlite3_finalize(stmt);
  return value;
}

bool Hive::Execute(const char* sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

// Accepts a hive of the current format, and upgrades one of the previous
// format. Anything else (a file that is no database, another program's
// database, a newer format) is left untouched and refused.
bool Hive::PrepareSchema() {
  if (QueryInt("PRAGMA application_id") != kHiveApplicationId) return false;
  int version = QueryInt("PRAGMA user_version");
  if (version == 1 && !read_only_ && UpgradeHiveFormat(db_)) version = kHiveFormatVersion;
  if (version != kHiveFormatVersion) return false;
  if (!read_only_ && !UseWriteAheadLog()) return false;
  return Execute("PRAGMA synchronous = NORMAL") && Execute("PRAGMA foreign_keys = ON") &&
         Execute("PRAGMA journal_size_limit = 1048576");
}

// Makes sure the hive is in WAL mode, which then stays in the file. Hives
// are made in WAL mode; a switch would need the database to itself, and
// SQLite does not wait for that, so other processes are waited for here.
bool Hive::UseWriteAheadLog() {
  for (int waited_ms = 0; waited_ms <= kBusyTimeoutMs; waited_ms += kRetryIntervalMs) {
    sqlite3_stmt* stmt = nullptr;
    bool is_wal = false;
    if (sqlite3_prepare_v2(db_, "PRAGMA journal_mode = WAL", -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW) {
      const unsigned char* mode = sqlite3_column_text(stmt, 0);
      is_wal = mode != nullptr && std::strcmp(reinterpret_cast<const char*>(mode), "wal") == 0;
    }
    const int status = sqlite3_finalize(stmt);
    if (is_wal) return true;
    if ((status & 0xFF) != SQLITE_BUSY && (status & 0xFF) != SQLITE_LOCKED) return false;
    sqlite3_sleep(kRetryIntervalMs);
  }
  return false;
}

sqlite3_stmt* Hive::Prepared(StatementId id) {
  static const char* const kSql[] = {
      "BEGIN",
      "BEGIN IMMEDIATE",
      "COMMIT",
      "ROLLBACK",
      "SAVEPOINT hive_write",
      "RELEASE hive_write",
      "ROLLBACK TO hive_write",
      "SELECT id FROM reg_keys WHERE parent = ?1 AND name_key = ?2",
      "INSERT INTO reg_keys(parent, name, name_key) VALUES(?1, ?2, ?3)",
      "SELECT name FROM reg_keys WHERE id = ?1",
      ("WITH RECURSIVE up(id, depth) AS (SELECT ?1, 0 UNION ALL"
       " SELECT reg_keys.parent, up.depth + 1 FROM reg_keys JOIN up ON reg_keys.id = up.id"
       " WHERE reg_keys.parent IS NOT NULL) SELECT max(depth) FROM up"),
      "DELETE FROM reg_keys WHERE id = ?1 AND id <> 0",
      "SELECT id, name FROM reg_keys WHERE parent = ?1 ORDER BY name_key",
      "SELECT type, data FROM reg_values WHERE key = ?1 AND name_key = ?2",
      ("INSERT INTO reg_values(key, name, name_key, type, data) VALUES(?1, ?2, ?3, ?4, ?5) "
       "ON CONFLICT(key, name_key) DO UPDATE SET type = excluded.type, data = excluded.data"),
      "DELETE FROM reg_values WHERE key = ?1 AND name_key = ?2",
      "SELECT name, type, data FROM reg_values WHERE key = ?1 ORDER BY name_key",
  };
  static_assert(sizeof kSql / sizeof kSql[0] == kStatementCount, "one text per statement");
  sqlite3_stmt*& stmt = statements_[id];
  if (stmt == nullptr) {
    sqlite3_prepare_v3(db_, kSql[id], -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
  }
  return stmt;
}

bool Hive::FindChild(HiveKeyId parent, const std::string& name_key, HiveKeyId* child) {
  Statement find(*this, kFindChild);
  find.Bind(1, parent);
  find.BindBlob(2, name_key.data(), name_key.size());
  if (find.Step() != SQLITE_ROW) return false;
  *child = sqlite3_column_int64(find.get(), 0);
  return true;
}

// The number of levels from the root down to `key`.
int Hive::KeyDepth(HiveKeyId key) {
  Statement select(*this, kKeyDepth);
  select.Bind(1, key);
  return select.Step() == SQLITE_ROW ? sqlite3_column_int(select.get(), 0) : -1;
}

// Follows `path` level by level from `parent`; with `create`, inserts each
// missing level (the caller holds a write scope).
bool Hive::WalkPath(HiveKeyId parent, std::string_view path, bool create, HiveKeyId* key) {
  if (!path.empty() && path.front() == '\\') return false;
  HiveKeyId current = parent;
  int depth = -1;  // of current, once a level has to be made
  bool walked = false;
  for (size_t start = 0; start < path.size();) {
    const size_t end = std::min(path.find('\\', start), path.size());
    const std::string_view level = path.substr(start, end - start);
    start = end + 1;
    if (level.empty()) continue;
    const KeyedName name(level);
    if (name.length() > kMaxKeyNameLength) return false;
    HiveKeyId child;
    if (!FindChild(current, name.key, &child)) {
      if (!create) return false;
      if (depth < 0) depth = KeyDepth(current);
      if (depth < 0 || depth >= kMaxKeyDepth) return false;
      Statement insert(*this, kInsertKey);
      insert.Bind(1, current);
      insert.Bind(2, name);
      if (!insert.Run()) return false;
      child = sqlite3_last_insert_rowid(db_);
    }
    if (depth >= 0) ++depth;
    current = child;
    walked = true;
  }
  if (!walked && !KeyExists(current)) return false;
  *key = current;
  return true;
}

bool Hive::OpenKey(HiveKeyId parent, std::string_view path, HiveKeyId* key) {
  ReadScope read(*this);
  return WalkPath(parent, path, false, key);
}

bool Hive::CreateKey(HiveKeyId parent, std::string_view path, HiveKeyId* key) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  // Most calls find every level already there and need no write at all.
  if (OpenKey(parent, path, key)) return true;
  WriteScope write(*this);
  HiveKeyId created;
  if (!write.started() || !WalkPath(parent, path, true, &created) || !write.Commit()) {
    return false;
  }
  *key = created;
  return true;
}

bool Hive::KeyExists(HiveKeyId key) {
  std::string ignored;
  return KeyName(key, &ignored);
}

bool Hive::KeyName(HiveKeyId key, std::string* name) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Statement select(*this, kKeyName);
  select.Bind(1, key);
  if (select.Step() != SQLITE_ROW) return false;
  *name = select.ColumnText(0);
  return true;
}

bool Hive::QueryValue(HiveKeyId key, std::string_view name, uint32_t* type, std::vector<uint8_t>* data) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Statement select(*this, kQueryValue);
  const std::string name_key = NameKey(name);
  select.Bind(1, key);
  select.BindBlob(2, name_key.data(), name_key.size());
  if (select.Step() != SQLITE_ROW) return false;
  *type = static_cast<uint32_t>(sqlite3_column_int64(select.get(), 0));
  *data = select.ColumnBlob(1);
  return true;
}

bool Hive::SetValue(HiveKeyId key, std::string_view name, uint32_t type, const void* data, size_t size) {
  const KeyedName keyed(name);
  if (keyed.length() > kMaxValueNameLength || (data == nullptr && size != 0)) return false;
  WriteScope write(*this);
  if (!write.started()) return false;
  Statement upsert(*this, kSetValue);
  upsert.Bind(1, key);
  upsert.Bind(2, keyed);
  upsert.Bind(4, static_cast<int64_t>(type));
  upsert.BindBlob(5, data, size);
  // The foreign key refuses a value for a key that does not exist.
  return upsert.Run() && write.Commit();
}

bool Hive::DeleteValue(HiveKeyId key, std::string_view name) {
  WriteScope write(*this);
  if (!write.started()) return false;
  Statement remove(*this, kDeleteValue);
  const std::string name_key = NameKey(name);
  remove.Bind(1, key);
  remove.BindBlob(2, name_key.data(), name_key.size());
  return remove.Run() && sqlite3_changes(db_) == 1 && write.Commit();
}

bool Hive::DeleteKey(HiveKeyId key) {
  WriteScope write(*this);
  if (!write.started()) return false;
  Statement remove(*this, kDeleteKey);
  remove.Bind(1, key);
  return remove.Run() && sqlite3_changes(db_) == 1 && write.Commit();
}

bool Hive::ListSubKeys(HiveKeyId key, std::vector<std::pair<HiveKeyId, std::string>>* sub_keys) {
  ReadScope read(*this);
  if (!KeyExists(key)) return false;
  Statement select(*this, kListSubKeys);
  select.Bind(1, key);
  sub_keys->clear();
  int status;
  while ((status = select.Step()) == SQLITE_ROW) {
    sub_keys->emplace_back(sqlite3_column_int64(select.get(), 0), select.ColumnText(1));
  }
  return status == SQLITE_DONE;
}

bool Hive::ListValues(HiveKeyId key, std::vector<HiveValue>* values) {
  ReadScope read(*this);
  if (!KeyExists(key)) return false;
  Statement select(*this, kListValues);
  select.Bind(1, key);
  values->clear();
  int status;
  while ((status = select.Step()) == SQLITE_ROW) {
    HiveValue value;
    value.name = select.ColumnText(0);
    value.type = static_cast<uint32_t>(sqlite3_column_int64(select.get(), 1));
    value.data = select.ColumnBlob(2);
    values->push_back(std::move(value));
  }
  return status == SQLITE_DONE;
}

Hive::Transaction::Transaction(Hive& hive) : hive_(hive), lock_(hive.mutex_) {
  started_ = !hive.read_only_ && sqlite3_get_autocommit(hive.db_) && Statement(hive, kBegin).Run();
}

Hive::Transaction::~Transaction() {
  if (started_ && !sqlite3_get_autocommit(hive_.db_)) Statement(hive_, kRollback).Run();
}

bool Hive::Transaction::Commit() {
  if (!started_) return false;
  started_ = false;
  if (Statement(hive_, kCommit).Run()) return true;
  if (!sqlite3_get_autocommit(hive_.db_)) Statement(hive_, kRollback).Run();
  return false;
}

HiveConnections::~HiveConnections() {
  if (owner_pid_ != CurrentProcessId()) ForgetInherited();
}

// A forked child must neither use nor close the connections it inherited:
// they are its parent's, and so are SQLite's locks and WAL state behind them.
// They stay allocated, out of use, for the rest of the child's life.
void HiveConnections::ForgetInherited() {
  for (std::shared_ptr<Hive>& hive : hives_) {
    if (hive == nullptr) continue;
    hive->abandoned_ = true;
    if (inherited_ == nullptr) inherited_ = new std::vector<std::shared_ptr<Hive>>();
    inherited_->push_back(std::move(hive));
  }
}

std::shared_ptr<Hive> HiveConnections::Get(RegistryRoot root) {
  HiveLocation location;
  if (!LocateHive(root, &location)) return nullptr;
  std::lock_guard<std::mutex> lock(mutex_);
  const int64_t pid = CurrentProcessId();
  if (pid != owner_pid_) {
    ForgetInherited();
    owner_pid_ = pid;
  }
  std::shared_ptr<Hive>& hive = hives_[static_cast<int>(root)];
  // A connection to a hive the environment no longer names is closed once its
  // last user lets go of it.
  if (hive == nullptr || hive->file_path() != location.file) hive = Hive::Open(location);
  return hive;
}

}  // namespace vem
