#include "tools/vemreg/hive_access.h"

namespace vem {

const char kNotFoundMessage[] =
    "The system was unable to find the specified registry key or value.";

std::shared_ptr<Hive> OpenHive(RegistryRoot root, std::string* error) {
  std::shared_ptr<Hive> hive = Hive::Get(root);
  if (hive == nullptr) {
    *error = std::string("Cannot open the registry hive of ") + RegistryRootName(root) +
             " (its directory cannot be made, or its file is not a registry hive).";
  }
  return hive;
}

bool FindKey(Hive& hive, const KeyName& key, HiveKeyId* id, std::string* error) {
  if (hive.OpenKey(kHiveRootKey, key.path, id)) return true;
  *error = kNotFoundMessage;
  return false;
}

}  // namespace vem
