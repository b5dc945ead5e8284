// How the commands reach the hive: the key a command names, opened in its
// hive, and listings in the order the Windows registry enumerates them.
#ifndef VEMMISC_TOOLS_VEMREG_HIVE_ACCESS_H_
#define VEMMISC_TOOLS_VEMREG_HIVE_ACCESS_H_

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "settings/hive.h"
#include "tools/vemreg/key_name.h"

namespace vem {

// The hive of `root`; null with *error set when it cannot be opened.
std::shared_ptr<Hive> OpenHive(RegistryRoot root, std::string* error);

// The key a command works on.
struct CommandKey {
  KeyName name;
  std::shared_ptr<Hive> hive;
  HiveKeyId id = kHiveRootKey;  // valid when `exists`
  bool exists = false;
};

// Parses `text` as a key name, opens its hive and looks the key up. False
// with *error set for a malformed name, a hive that cannot be opened, or a
// missing key when `must_exist`.
bool OpenCommandKey(const std::string& text, bool must_exist, CommandKey* key, std::string* error);

// A key's sub-keys and values ordered as the registry enumerates them: by
// name, letters compared as lower case, UTF-16 unit by unit. False if the
// key vanished.
bool ListSubKeysInOrder(Hive& hive, HiveKeyId key, std::vector<std::pair<HiveKeyId, std::string>>* sub_keys);
bool ListValuesInOrder(Hive& hive, HiveKeyId key, std::vector<HiveValue>* values);

// The message for a key or value that does not exist.
extern const char kNotFoundMessage[];

}  // namespace vem

#endif  // VEMMISC_TOOLS_VEMREG_HIVE_ACCESS_H_
