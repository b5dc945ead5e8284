// export: writes a key and everything below it as a registration file (with
// /a in the older REGEDIT4 format, Windows-1252 text). The
// file is written beside its final name and renamed into place, so a failed
// export never leaves half a file where an older one was.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/vemreg/commands.h"
#include "tools/vemreg/confirmation.h"
#include "tools/vemreg/hive_access.h"
#include "tools/vemreg/reg_file_writer.h"

namespace vem {

namespace {

bool FileExists(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
}

bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes) {
  const std::string temporary = path + ".vemreg-new";
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (std::fclose(file) != 0 || !written || std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

// Adds `key` and its sub-keys, depth first and in the registry's order, each
// key followed by its values.
bool WriteTree(Hive& hive, HiveKeyId key, const std::string& full_name, bool ansi, RegFileWriter* writer,
               std::string* error) {
  std::vector<std::pair<HiveKeyId, std::string>> pending = {{key, full_name}};
  std::vector<std::pair<HiveKeyId, std::string>> sub_keys;
  std::vector<HiveValue> values;
  while (!pending.empty()) {
    const HiveKeyId id = pending.back().first;
    const std::string name = std::move(pending.back().second);
    pending.pop_back();
    if (!ListValuesInOrder(hive, id, &values) || !ListSubKeysInOrder(hive, id, &sub_keys)) {
      *error = "The key " + name + " vanished while it was being exported.";
      return false;
    }
    if (!writer->AddKey(name)) {
      *error = "The key name " + name +
               (ansi ? " holds a line break or a character that Windows-1252 lacks, which a "
                       "REGEDIT4 file cannot hold; export without /a."
                     : " holds a line break, which a registration file cannot hold.");
      return false;
    }
    for (const HiveValue& value : values) {
      if (!writer->AddValue(value)) {
        *error = "The value " + (value.name.empty() ? std::string("(Default)") : value.name) + " of " + name +
                 " holds characters that Windows-1252 lacks, which a REGEDIT4 file cannot hold; "
                 "export without /a.";
        return false;
      }
    }
    for (auto it = sub_keys.rbegin(); it != sub_keys.rend(); ++it) {
      pending.emplace_back(it->first, name + "\\" + it->second);
    }
  }
  return true;
}

}  // namespace

bool RunExport(const CommandLine& line, std::string* error) {
  CommandKey key;
  if (!OpenCommandKey(line.operands[0], true, &key, error)) return false;
  const std::string& path = line.operands[1];
  if (FileExists(path) && !Confirm("File " + path + " exists, overwrite it", line.overwrite, "/y", error)) {
    return false;
  }
  RegFileWriter writer(line.ansi ? RegFileWriter::Format::kRegedit4 : RegFileWriter::Format::kVersion5);
  {
    // One snapshot for the whole tree, when the hive can give one.
    Hive::Transaction snapshot(*key.hive);
    if (!WriteTree(*key.hive, key.id, FullKeyName(key.name), line.ansi, &writer, error)) {
      return false;
    }
  }
  if (!WriteFileAtomically(path, writer.Finish())) {
    *error = "Cannot write the file " + path + ".";
    return false;
  }
  return true;
}

}  // namespace vem
