#include "tools/vemreg/hive_access.h"

#include <algorithm>

#include "text/name_case.h"
#include "text/utf8_decoder.h"

namespace vem {

const char kNotFoundMessage[] = "The system was unable to find the specified registry key or value.";

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

// Orders names as the registry editor lists them: by UTF-16 unit, each
// letter in lower case (so "_x" comes before "Ax", as in regedit's exports).
bool ListedBefore(const std::string& a, const std::string& b) {
  const std::vector<uint16_t>& lower = LowerCaseUnits();
  const char* next_a = a.data();
  const char* next_b = b.data();
  const char* const end_a = next_a + a.size();
  const char* const end_b = next_b + b.size();
  Utf16Units units_a{}, units_b{};
  int index_a = 0, index_b = 0;
  while (true) {
    if (index_a == units_a.count) {
      if (next_a == end_a) return next_b != end_b || index_b < units_b.count;
      next_a = DecodeUtf8Sequence(next_a, end_a, &units_a);
      index_a = 0;
    }
    if (index_b == units_b.count) {
      if (next_b == end_b) return false;
      next_b = DecodeUtf8Sequence(next_b, end_b, &units_b);
      index_b = 0;
    }
    const uint16_t unit_a = lower[units_a.unit[index_a++]];
    const uint16_t unit_b = lower[units_b.unit[index_b++]];
    if (unit_a != unit_b) return unit_a < unit_b;
  }
}

// Sorts `items` by their names; the hive mostly gives them in order already.
template <typename Item, typename NameOf>
void SortByName(std::vector<Item>* items, NameOf name_of) {
  auto before = [&name_of](const Item& a, const Item& b) { return ListedBefore(name_of(a), name_of(b)); };
  if (!std::is_sorted(items->begin(), items->end(), before)) {
    std::stable_sort(items->begin(), items->end(), before);
  }
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

bool OpenCommandKey(const std::string& text, bool must_exist, CommandKey* key, std::string* error) {
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

bool ListSubKeysInOrder(Hive& hive, HiveKeyId key, std::vector<std::pair<HiveKeyId, std::string>>* sub_keys) {
  if (!hive.ListSubKeys(key, sub_keys)) return false;
  SortByName(sub_keys,
             [](const std::pair<HiveKeyId, std::string>& sub_key) -> const std::string& { return sub_key.second; });
  return true;
}

bool ListValuesInOrder(Hive& hive, HiveKeyId key, std::vector<HiveValue>* values) {
  if (!hive.ListValues(key, values)) return false;
  SortByName(values, [](const HiveValue& value) -> const std::string& { return value.name; });
  return true;
}

}  // namespace vem
