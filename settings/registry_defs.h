// Names and numbers of the registry that every layer of the settings service
// shares: the five predefined root keys and the value type codes.
#ifndef VEMMISC_SETTINGS_REGISTRY_DEFS_H_
#define VEMMISC_SETTINGS_REGISTRY_DEFS_H_

#include <cstdint>

namespace vem {

// The predefined root keys, in the order of RegistryRootName.
enum class RegistryRoot : int {
  kClassesRoot,
  kCurrentUser,
  kLocalMachine,
  kUsers,
  kCurrentConfig,
};
constexpr int kRegistryRootCount = 5;

// "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", ...: the root's full name.
const char* RegistryRootName(RegistryRoot root);

// Finds the root whose full name equals `name` exactly (case-sensitive).
// Returns false for null or any other text.
bool FindRegistryRoot(const char* name, RegistryRoot* root);

// Value type codes, numbered as Windows numbers them.
enum RegistryValueType : uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegDwordBigEndian = 5,
  kRegLink = 6,
  kRegMultiSz = 7,
  kRegQword = 11,
};

// True for the types whose data is UTF-16 text (REG_SZ, REG_EXPAND_SZ,
// REG_MULTI_SZ), which the narrow registry calls convert.
inline bool IsTextValueType(uint32_t type) { return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz; }

}  // namespace vem

#endif  // VEMMISC_SETTINGS_REGISTRY_DEFS_H_
