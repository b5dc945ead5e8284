// The registry hive: one SQLite database per predefined root key that holds a
// tree of keys with typed values, with the registry's semantics. Names are
// UTF-8 text, kept as given and compared without regard to letter case
// (text/name_case.h); the empty value name is a key's default value. Every
// write is one transaction unless it runs inside a Hive::Transaction. All
// members may be called from any thread.
//
// A key path is split at backslashes. A path that starts with a backslash is
// refused; empty levels inside it and at its end are skipped ("A\\B\" is
// "A\B"), and a path of nothing but skipped levels is the key it starts from.
#ifndef VEMMISC_SETTINGS_HIVE_H_
#define VEMMISC_SETTINGS_HIVE_H_

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "settings/registry_defs.h"

struct sqlite3;
struct sqlite3_stmt;

namespace vem {

struct HiveLocation;

// Identifies a key within one hive; stable for the key's lifetime and never
// reused for another key.
typedef int64_t HiveKeyId;
// The root key of every hive.
constexpr HiveKeyId kHiveRootKey = 0;

// The registry's limits: names in UTF-16 code units, and the number of
// levels from the root down to a key.
constexpr size_t kMaxKeyNameLength = 255;
constexpr size_t kMaxValueNameLength = 16383;
constexpr int kMaxKeyDepth = 512;

struct HiveValue {
  std::string name;
  uint32_t type = kRegNone;
  std::vector<uint8_t> data;
};

class Hive {
 public:
  // The hive of `root` for this process, opened on first use and shared by
  // later calls; a process that forked, or whose hive location changed, gets
  // a connection of its own. A missing hive is made; a hive of the previous
  // format is upgraded (hive_format.h). Null if the hive cannot be opened or
  // what lies in its place is no hive (an empty file and a directory
  // included): that is left exactly as it is.
  static std::shared_ptr<Hive> Get(RegistryRoot root);

  Hive(const Hive&) = delete;
  Hive& operator=(const Hive&) = delete;
  ~Hive();

  // The file this hive is kept in.
  const std::string& file_path() const { return file_path_; }
  // True when the file could be opened for reading only: every write fails.
  bool read_only() const { return read_only_; }
  // False in a forked child for its parent's connection, which the child
  // must not use.
  bool OpenedByThisProcess() const;

  // Finds the existing key `path` below `parent`. False if a level is
  // missing or the path is malformed (a leading backslash, a name longer
  // than kMaxKeyNameLength).
  bool OpenKey(HiveKeyId parent, std::string_view path, HiveKeyId* key);
  // As OpenKey, creating every missing level in one transaction. False,
  // creating nothing, if a level would lie deeper than kMaxKeyDepth.
  bool CreateKey(HiveKeyId parent, std::string_view path, HiveKeyId* key);
  // True if `key` exists (it may have been deleted since it was found).
  bool KeyExists(HiveKeyId key);
  // The name of `key` as it was created; empty for the root.
  bool KeyName(HiveKeyId key, std::string* name);

  // Reads a value's type and bytes; false if the key or value is missing.
  bool QueryValue(HiveKeyId key, std::string_view name, uint32_t* type, std::vector<uint8_t>* data);
  // Creates or replaces a value. A replaced value keeps the letter case of
  // its first name. False if the key is missing or the name too long.
  bool SetValue(HiveKeyId key, std::string_view name, uint32_t type, const void* data, size_t size);
  // False if the value did not exist.
  bool DeleteValue(HiveKeyId key, std::string_view name);
  // Deletes the key with all its sub-keys and values; the root key cannot
  // be deleted.
  bool DeleteKey(HiveKeyId key);

  // The sub-keys (id and name) and the values of a key, ordered by their
  // names' comparison keys. False if the key is missing.
  bool ListSubKeys(HiveKeyId key, std::vector<std::pair<HiveKeyId, std::string>>* sub_keys);
  bool ListValues(HiveKeyId key, std::vector<HiveValue>* values);

  // Groups the writes made on this thread while it lives into one
  // transaction, and keeps other threads of the process from using the hive
  // meanwhile. Nothing is kept unless Commit() succeeds.
  class Transaction {
   public:
    explicit Transaction(Hive& hive);
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    ~Transaction();
    // False if the transaction could not be started (the hive is busy or
    // read-only); every write inside it then fails.
    bool started() const { return started_; }
    bool Commit();

   private:
    Hive& hive_;
    std::unique_lock<std::recursive_mutex> lock_;
    bool started_ = false;
  };

 private:
  enum StatementId : int;
  class Statement;
  class ReadScope;
  class WriteScope;

  Hive(sqlite3* db, std::string file_path, bool read_only);

  static std::shared_ptr<Hive> Open(const HiveLocation& location);
  static bool CreateHiveFile(const HiveLocation& location);
  bool PrepareSchema();
  bool UseWriteAheadLog();
  // Runs one-off SQL; QueryInt answers -1 when the query fails.
  bool Execute(const char* sql);
  int QueryInt(const char* sql);
  sqlite3_stmt* Prepared(StatementId id);
  bool FindChild(HiveKeyId parent, const std::string& name_key, HiveKeyId* child);
  int KeyDepth(HiveKeyId key);
  bool WalkPath(HiveKeyId parent, std::string_view path, bool create, HiveKeyId* key);

  std::recursive_mutex mutex_;
  sqlite3* db_;
  const std::string file_path_;
  const bool read_only_;
  const int64_t process_id_;
  std::vector<sqlite3_stmt*> statements_;
  // Set in a forked child for its parent's connection, which it must neither
  // use nor close.
  bool abandoned_ = false;

  friend class HiveConnections;
};

// The open hives of this process, one per root; kept by module/globals.cc and
// closed when the library unloads.
class HiveConnections {
 public:
  constexpr HiveConnections() = default;
  HiveConnections(const HiveConnections&) = delete;
  HiveConnections& operator=(const HiveConnections&) = delete;
  ~HiveConnections();

  std::shared_ptr<Hive> Get(RegistryRoot root);

 private:
  void ForgetInherited();

  std::mutex mutex_;
  int64_t owner_pid_ = 0;
  std::array<std::shared_ptr<Hive>, kRegistryRootCount> hives_;
  // The parent's connections in a forked child; never freed (see
  // ForgetInherited), so they remain reachable rather than leaked.
  std::vector<std::shared_ptr<Hive>>* inherited_ = nullptr;
};

extern HiveConnections g_hive_connections;

}  // namespace vem

#endif  // VEMMISC_SETTINGS_HIVE_H_
