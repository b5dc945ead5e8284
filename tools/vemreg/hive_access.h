// How the commands reach the hive: open the hive of a root and find keys in
// it, with the message the user sees when that fails.
#ifndef VEMMISC_TOOLS_VEMREG_HIVE_ACCESS_H
#define VEMMISC_TOOLS_VEMREG_HIVE_ACCESS_H

#include <memory>
#include <string>

#include "settings/hive.h"
#include "tools/vemreg/key_name.h"

namespace vem {

// The hive of `root`; null with *error set when it cannot be opened.
std::shared_ptr<Hive> OpenHive(RegistryRoot root, std::string* error);

// Finds the existing key; false with *error set when it is missing.
bool FindKey(Hive& hive, const KeyName& key, HiveKeyId* id, std::string* error);

// The message for a key or value that does not exist.
extern const char kNotFoundMessage[];

}  // namespace vem

#endif  // VEMMISC_TOOLS_VEMREG_HIVE_ACCESS_H
