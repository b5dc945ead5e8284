#include "tools/vemreg/hive_access.h"

#include <algorithm>
#include <numeric>

#include "text/utf16_text.h"
#include "text/name_case.h"

namespace vem {

const char kNotFoundMessage[] =
    "The system was unable to find the specified registry key or value.";

namespace {

// The lower case of each unit: the inverse of the names' upper-case pairs,
// so that ordering and sameness follow the same one rule.
const std::vector<uint16_t>& LowerCaseUnits() {
  static const std::vector<uint16_t> lower = [] {
    std::vector<uint16_t> table(0x10000);
    for (uint32_t unit = 0; unit < 0x10000; ++unit) table[unit] = static_cast<uint16_t>(unit);
    for (uint32_t unit = 0; unit < 0x10000; ++unit) {
      const uint16_t upper = UpperCaseUnit(static_cast<uint16_t>(unit));
      if (upper != unit) table[upper] = static_cast<uint16_t>(unit);
    }
    return table;
  }();
  return lower;
}

// The name as the registry editor lists it: by UTF-16 unit, each letter in
// lower case (so "_x" comes before "Ax", as in regedit's exports).
std::vector<uint16_t> OrderKey(const std::string& name) {
  const std::vector<uint16_t>& lower = LowerCaseUnits();
  const std::vector<uint8_t> bytes = Utf8ToUtf16Le(name.data(), name.size());
  std::vector<uint16_t> units(bytes.size() / 2);
  for (size_t i = 0; i < units.size(); ++i) units[i] = lower[bytes[2 * i] | (bytes[2 * i + 1] << 8)];
  return units;
}

// Sorts `items` by the order keys of their names.
template <typename Item, typename NameOf>
void SortByName(std::vector<Item>* items, NameOf name_of) {
  std::vector<std::vector<uint16_t>> keys;
  keys.reserve(items->size());
  for (const Item& item : *items) keys.push_back(OrderKey(name_of(item)));
  std::vector<size_t> order(items->size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&keys](size_t a, size_t b) { return keys[a] < keys[b]; });
  std::vector<Item> sorted;
  sorted.reserve(items->size());
  for (size_t index : order) sorted.push_back(std::move((*items)[index]));
  items->swap(sorted);
}

}  // namespace

std::shared_ptr<Hive> OpenHive(RegistryRoot root, std::string* error) {
  std::shared_ptr<Hive> hive = Hive::Get(root);
  if (hive == nullptr) {
    *error = std::string("Cannot open the registry hive of ") + RegistryRootName(root) +
             " (its directory cannot be made, or its file is not a registry hive).";
  }
  return hive;
}

bool OpenCommandKey(const std::string& text, bool must_exist, CommandKey* key,
                    std::string* error) {
  if (!ParseKeyName(text, &key->name)) {
    *error = "Invalid key name: " + text;
    return false;
  }
  key->hive = OpenHive(key->name.root, error);
  if (key->hive == nullptr) return false;
  key->exists = key->hive->OpenKey(kHiveRootKey, key->name.path, &key->id);
  if (!key->exists && must_exist) {
    *error = kNotFoundMessage;
    return false;
  }
  return true;
}

bool ListSubKeysInOrder(Hive& hive, HiveKeyId key,
                        std::vector<std::pair<HiveKeyId, std::string>>* sub_keys) {
  if (!hive.ListSubKeys(key, sub_keys)) return false;
  SortByName(sub_keys, [](const std::pair<HiveKeyId, std::string>& sub_key) -> const std::string& {
    return sub_key.second;
  });
  return true;
}

bool ListValuesInOrder(Hive& hive, HiveKeyId key, std::vector<HiveValue>* values) {
  if (!hive.ListValues(key, values)) return false;
  SortByName(values, [](const HiveValue& value) -> const std::string& { return value.name; });
  return true;
}

}  // namespace vem
