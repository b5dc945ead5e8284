// Registry key names as users write them: a root, long ("HKEY_CURRENT_USER")
// or short ("HKCU"), then the key path below it after a backslash.
#ifndef VEMMISC_TOOLS_VEMREG_KEY_NAME_H_
#define VEMMISC_TOOLS_VEMREG_KEY_NAME_H_

#include <string>
#include <string_view>

#include "settings/registry_defs.h"

namespace vem {

struct KeyName {
  RegistryRoot root = RegistryRoot::kCurrentUser;
  // Below the root, without leading or trailing backslash; empty for the root.
  std::string path;
};

// Splits `text` into its root and path. Root names are matched without regard
// to letter case. False for an unknown root, a remote name ("\\host\...") or
// an empty path level; the levels' own limits are the hive's to check.
bool ParseKeyName(std::string_view text, KeyName* key);

// "HKEY_CURRENT_USER\path", or only the root's long name for an empty path.
std::string FullKeyName(const KeyName& key);

}  // namespace vem

#endif  // VEMMISC_TOOLS_VEMREG_KEY_NAME_H_
