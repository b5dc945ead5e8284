// add: creates a key with every missing level and, when a value is named (or
// a type or data is given, which means the default value), writes the value.
// Replacing an existing value needs /f or a yes on the terminal.
#include <vector>

#include "tools/vemreg/commands.h"
#include "tools/vemreg/confirmation.h"
#include "tools/vemreg/hive_access.h"
#include "tools/vemreg/value_text.h"

namespace vem {

bool RunAdd(const CommandLine& line, std::string* error) {
  const bool has_value =
      line.value_name.has_value() || line.default_value || line.type.has_value() || line.data.has_value();
  uint32_t type = kRegSz;
  if (line.type.has_value() && !ParseValueTypeName(*line.type, &type)) {
    *error = "Unsupported registry data type [" + *line.type + "].";
    return false;
  }
  std::vector<uint8_t> data;
  if (has_value && !ParseValueData(type, line.data, line.separator, &data, error)) return false;
  const std::string value_name = line.value_name.value_or("");

  CommandKey target;
  if (!OpenCommandKey(line.operands[0], false, &target, error)) return false;
  const KeyName& name = target.name;
  Hive* hive = target.hive.get();
  HiveKeyId key = target.id;
  if (has_value && target.exists) {
    uint32_t old_type;
    std::vector<uint8_t> old_data;
    if (hive->QueryValue(key, value_name, &old_type, &old_data) &&
        !Confirm("Value " + (value_name.empty() ? std::string("(Default)") : value_name) + " exists, overwrite it",
                 line.force, "/f", error)) {
      return false;
    }
  }
  // The key and its value appear together or not at all.
  Hive::Transaction transaction(*hive);
  if (!transaction.started() || !hive->CreateKey(kHiveRootKey, name.path, &key) ||
      (has_value && !hive->SetValue(key, value_name, type, data.data(), data.size())) || !transaction.Commit()) {
    *error = "Cannot write " + FullKeyName(name) +
             (hive->read_only() ? ": the registry hive is read-only."
                                : ": a name is too long or empty, or the hive is busy.");
    return false;
  }
  return true;
}

}  // namespace vem
