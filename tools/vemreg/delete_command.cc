// delete: a whole key tree, one value (/v, /ve) or every value of a key (/va),
// after a yes on the terminal or with /f.
#include <vector>

#include "tools/vemreg/commands.h"
#include "tools/vemreg/confirmation.h"
#include "tools/vemreg/hive_access.h"

namespace vem {

namespace {

// Deletes what the command line names from `key`; false if the value is
// missing or a write fails.
bool DeleteFromKey(Hive& hive, HiveKeyId key, const CommandLine& line) {
  if (line.all_values) {
    std::vector<HiveValue> values;
    if (!hive.ListValues(key, &values)) return false;
    for (const HiveValue& value : values) {
      if (!hive.DeleteValue(key, value.name)) return false;
    }
    return true;
  }
  if (line.value_name.has_value() || line.default_value) {
    return hive.DeleteValue(key, line.value_name.value_or(""));
  }
  return hive.DeleteKey(key);
}

}  // namespace

bool RunDelete(const CommandLine& line, std::string* error) {
  CommandKey target;
  if (!OpenCommandKey(line.operands[0], true, &target, error)) return false;
  const KeyName& name = target.name;
  Hive* hive = target.hive.get();
  const HiveKeyId key = target.id;
  const bool whole_key = !line.all_values && !line.value_name.has_value() && !line.default_value;
  if (whole_key && name.path.empty()) {
    *error = "A root key cannot be deleted.";
    return false;
  }
  uint32_t type;
  std::vector<uint8_t> data;
  const std::string value_name = line.value_name.value_or("");
  if (!whole_key && !line.all_values && !hive->QueryValue(key, value_name, &type, &data)) {
    *error = kNotFoundMessage;
    return false;
  }

  std::string question;
  if (whole_key) {
    question = "Permanently delete the registry key " + FullKeyName(name) + " and everything below it";
  } else if (line.all_values) {
    question = "Delete all values under the registry key " + FullKeyName(name);
  } else {
    question =
        "Delete the registry value " + (value_name.empty() ? "(Default)" : value_name) + " of " + FullKeyName(name);
  }
  if (!Confirm(question, line.force, "/f", error)) return false;

  Hive::Transaction transaction(*hive);
  if (!transaction.started() || !DeleteFromKey(*hive, key, line) || !transaction.Commit()) {
    *error = "Cannot delete from " + FullKeyName(name) +
             (hive->read_only() ? ": the registry hive is read-only." : ": it changed meanwhile, or the hive is busy.");
    return false;
  }
  return true;
}

}  // namespace vem
