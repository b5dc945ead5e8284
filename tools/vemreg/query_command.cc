// query: a key's values and sub-keys in reg.exe's layout: a blank line, the
// key's full name, each value indented as "name  TYPE  data" with four-space
// gaps, then (without /s) the full names of the sub-keys.
#include <cstdio>
#include <string>
#include <vector>

#include "text/name_case.h"
#include "tools/vemreg/commands.h"
#include "tools/vemreg/hive_access.h"
#include "tools/vemreg/value_text.h"

namespace vem {

namespace {

struct QueryState {
  Hive& hive;
  const CommandLine& line;
  std::string out;
  size_t matches = 0;
};

void AppendValue(const HiveValue& value, std::string* out) {
  *out += "    ";
  *out += value.name.empty() ? "(Default)" : value.name;
  *out += "    " + ValueTypeName(value.type) + "    " + FormatValueData(value.type, value.data);
  *out += '\n';
}

// Lists one key; false if the key vanished meanwhile.
bool QueryKey(QueryState* state, HiveKeyId key, const std::string& full_name,
              std::vector<std::pair<HiveKeyId, std::string>>* sub_keys) {
  std::vector<HiveValue> values;
  if (!ListValuesInOrder(state->hive, key, &values) || !ListSubKeysInOrder(state->hive, key, sub_keys)) {
    return false;
  }
  const bool one_value = state->line.value_name.has_value() || state->line.default_value;
  const std::string wanted = state->line.value_name.value_or("");
  std::string block = "\n" + full_name + "\n";
  size_t shown = 0;
  for (const HiveValue& value : values) {
    // Names compare as the hive compares them.
    if (one_value && !SameName(value.name, wanted)) continue;
    AppendValue(value, &block);
    ++shown;
  }
  state->matches += shown;
  // With /v or /ve, only keys that hold the value are shown.
  if (!one_value || shown > 0) state->out += block;
  return true;
}

}  // namespace

bool RunQuery(const CommandLine& line, std::string* error) {
  CommandKey key;
  if (!OpenCommandKey(line.operands[0], true, &key, error)) return false;
  const KeyName& name = key.name;
  // One snapshot for the whole listing, when the hive can give one.
  Hive::Transaction snapshot(*key.hive);
  QueryState state{*key.hive, line, std::string(), 0};
  const bool one_value = line.value_name.has_value() || line.default_value;

  std::vector<std::pair<HiveKeyId, std::string>> sub_keys;
  if (!QueryKey(&state, key.id, FullKeyName(name), &sub_keys)) {
    *error = kNotFoundMessage;
    return false;
  }
  if (line.recursive) {
    // Depth first, each key before its sub-keys, in name order.
    std::vector<std::pair<HiveKeyId, std::string>> pending;
    const std::string prefix = FullKeyName(name) + "\\";
    for (auto it = sub_keys.rbegin(); it != sub_keys.rend(); ++it) {
      pending.emplace_back(it->first, prefix + it->second);
    }
    while (!pending.empty()) {
      const HiveKeyId id = pending.back().first;
      const std::string full_name = std::move(pending.back().second);
      pending.pop_back();
      if (!QueryKey(&state, id, full_name, &sub_keys)) continue;
      for (auto it = sub_keys.rbegin(); it != sub_keys.rend(); ++it) {
        pending.emplace_back(it->first, full_name + "\\" + it->second);
      }
    }
  } else if (!one_value) {
    if (!sub_keys.empty()) state.out += '\n';
    for (const auto& sub_key : sub_keys) {
      state.out += FullKeyName(name) + "\\" + sub_key.second + "\n";
    }
  }
  if (one_value && state.matches == 0) {
    *error = kNotFoundMessage;
    return false;
  }
  std::fwrite(state.out.data(), 1, state.out.size(), stdout);
  return true;
}

}  // namespace vem
