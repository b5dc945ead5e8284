#include "settings/registry_defs.h"

#include <cstring>

namespace vem {

namespace {
const char* const kRootNames[kRegistryRootCount] = {
    "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS", "HKEY_CURRENT_CONFIG",
};
}  // namespace

const char* RegistryRootName(RegistryRoot root) { return kRootNames[static_cast<int>(root)]; }

bool FindRegistryRoot(const char* name, RegistryRoot* root) {
  if (name == nullptr) return false;
  for (int i = 0; i < kRegistryRootCount; ++i) {
    if (std::strcmp(name, kRootNames[i]) == 0) {
      *root = static_cast<RegistryRoot>(i);
      return true;
    }
  }
  return false;
}

}  // namespace vem
