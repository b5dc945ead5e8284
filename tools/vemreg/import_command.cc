// import: applies a registration file as one transaction per hive it
// touches, all committed only after every line has been applied; a file with
// any error changes nothing.
#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tools/vemreg/commands.h"
#include "tools/vemreg/hive_access.h"
#include "tools/vemreg/reg_file_reader.h"

namespace vem {

namespace {

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  // Read in one piece when the size is known (a regular file), else in
  // growing chunks (a pipe).
  const long size = std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : -1;
  std::rewind(file);
  size_t filled = 0;
  bytes->resize(size > 0 ? static_cast<size_t>(size) + 1 : 65536);
  size_t read;
  while ((read = std::fread(bytes->data() + filled, 1, bytes->size() - filled, file)) > 0) {
    filled += read;
    if (filled == bytes->size()) bytes->resize(2 * filled);
  }
  bytes->resize(filled);
  const bool complete = !std::ferror(file);
  std::fclose(file);
  return complete;
}

// The open transactions of the hives that the file touches.
class ImportTransactions {
 public:
  // The hive of `root` inside its transaction; null with *error set when the
  // hive cannot be opened or the transaction cannot start.
  Hive* Get(RegistryRoot root, std::string* error) {
    Slot& slot = slots_[static_cast<int>(root)];
    if (slot.transaction == nullptr) {
      slot.hive = OpenHive(root, error);
      if (slot.hive == nullptr) return nullptr;
      slot.transaction = std::make_unique<Hive::Transaction>(*slot.hive);
      if (!slot.transaction->started()) {
        *error = std::string("The registry hive of ") + RegistryRootName(root) +
                 (slot.hive->read_only() ? " is read-only." : " is busy.");
        return nullptr;
      }
    }
    return slot.hive.get();
  }

  bool CommitAll() {
    for (Slot& slot : slots_) {
      if (slot.transaction != nullptr && !slot.transaction->Commit()) return false;
    }
    return true;
  }

 private:
  struct Slot {
    std::shared_ptr<Hive> hive;
    std::unique_ptr<Hive::Transaction> transaction;  // destroyed first: rolls back
  };
  std::array<Slot, kRegistryRootCount> slots_;
};

bool Apply(const std::vector<RegFileEntry>& entries, ImportTransactions* transactions, std::string* error) {
  Hive* hive = nullptr;
  HiveKeyId key = kHiveRootKey;
  for (const RegFileEntry& entry : entries) {
    const std::string where = "line " + std::to_string(entry.line) + ": ";
    bool applied = true;
    switch (entry.kind) {
      case RegFileEntry::Kind::kKey:
      case RegFileEntry::Kind::kDeleteKey: {
        hive = transactions->Get(entry.key.root, error);
        if (hive == nullptr) {
          *error = where + *error;
          return false;
        }
        if (entry.kind == RegFileEntry::Kind::kKey) {
          applied = hive->CreateKey(kHiveRootKey, entry.key.path, &key);
        } else if (hive->OpenKey(kHiveRootKey, entry.key.path, &key)) {
          // Deleting a key that is not there is no error, as in the editor.
          applied = hive->DeleteKey(key);
        }
        if (!applied) {
          *error = where + "cannot " + (entry.kind == RegFileEntry::Kind::kKey ? "create" : "delete") + " the key " +
                   FullKeyName(entry.key) + " (a name is too long or empty).";
          return false;
        }
        break;
      }
      case RegFileEntry::Kind::kSetValue:
        if (!hive->SetValue(key, entry.value.name, entry.value.type, entry.value.data.data(),
                            entry.value.data.size())) {
          *error = where + "cannot write the value \"" + entry.value.name + "\" (its name is too long).";
          return false;
        }
        break;
      case RegFileEntry::Kind::kDeleteValue:
        // A value that is not there is already deleted.
        hive->DeleteValue(key, entry.value.name);
        break;
    }
  }
  return true;
}

}  // namespace

bool RunImport(const CommandLine& line, std::string* error) {
  const std::string& path = line.operands[0];
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, &bytes)) {
    *error = "Cannot read the file " + path + ".";
    return false;
  }
  std::vector<RegFileEntry> entries;
  ImportTransactions transactions;
  if (!ReadRegFile(bytes, &entries, error) || !Apply(entries, &transactions, error)) {
    *error = path + ", " + *error + (error->back() == '.' ? "" : ".") + " Nothing was imported.";
    return false;
  }
  if (!transactions.CommitAll()) {
    *error = path + ": the changes could not be saved. Nothing was imported.";
    return false;
  }
  return true;
}

}  // namespace vem
