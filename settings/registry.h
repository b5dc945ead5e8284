// The five registry operations that SettingsManager uses, behind which stands
// the Windows registry (registry_windows.cc) or the library's registry hive
// (registry_hive.cc). Names are narrow text in the system's code page.
#ifndef VEMMISC_SETTINGS_REGISTRY_H_
#define VEMMISC_SETTINGS_REGISTRY_H_

#include <cstdint>

#include "VemSettings.h"
#include "settings/registry_defs.h"

namespace vem {

// The handle of a predefined root key. It is always open; closing it is
// allowed and does nothing.
VemRegKey PredefinedRegistryKey(RegistryRoot root);

// Opens the key `path` below `parent` (levels separated by backslashes),
// creating every missing level. A null or empty path opens `parent` again.
// False if parent is not an open key, the path is malformed or the key
// cannot be created.
bool CreateRegistryKey(VemRegKey parent, const char* path, VemRegKey* key);

// Opens the existing key `path` below `parent`; false if it does not exist.
bool OpenRegistryKey(VemRegKey parent, const char* path, VemRegKey* key);

// Reads value `name` (empty: the key's default value). With data null, only
// the size in bytes is stored in *size. Otherwise *size is the capacity of
// data on entry and the number of bytes read on return; false if the value
// is missing, or larger than the capacity (then *size is the size needed).
// Text values (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) are read as narrow text.
bool QueryRegistryValue(VemRegKey key, const char* name, void* data, uint32_t* size);

// Writes value `name` with the given type and bytes; text types are given as
// narrow text. False if the value cannot be written.
bool SetRegistryValue(VemRegKey key, const char* name, uint32_t type, const void* data, uint32_t size);

// Closes a key opened by the functions above; false for an unknown handle.
bool CloseRegistryKey(VemRegKey key);

}  // namespace vem

#endif  // VEMMISC_SETTINGS_REGISTRY_H_
