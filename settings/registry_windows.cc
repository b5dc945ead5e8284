// The registry operations on Windows: the system's ANSI registry calls.
#include <windows.h>

#include "settings/registry.h"

namespace vem {

VemRegKey PredefinedRegistryKey(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::kClassesRoot: return HKEY_CLASSES_ROOT;
    case RegistryRoot::kCurrentUser: return HKEY_CURRENT_USER;
    case RegistryRoot::kLocalMachine: return HKEY_LOCAL_MACHINE;
    case RegistryRoot::kUsers: return HKEY_USERS;
    case RegistryRoot::kCurrentConfig: return HKEY_CURRENT_CONFIG;
  }
  return nullptr;
}

bool CreateRegistryKey(VemRegKey parent, const char* path, VemRegKey* key) {
  HKEY result = nullptr;
  if (RegCreateKeyA(parent, path, &result) != ERROR_SUCCESS) return false;
  *key = result;
  return true;
}

bool OpenRegistryKey(VemRegKey parent, const char* path, VemRegKey* key) {
  HKEY result = nullptr;
  if (RegOpenKeyA(parent, path, &result) != ERROR_SUCCESS) return false;
  *key = result;
  return true;
}

bool QueryRegistryValue(VemRegKey key, const char* name, void* data, uint32_t* size) {
  DWORD type = 0;
  DWORD length = *size;
  LONG status = RegQueryValueExA(key, name, nullptr, &type, static_cast<BYTE*>(data), &length);
  if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) *size = length;
  return status == ERROR_SUCCESS;
}

bool SetRegistryValue(VemRegKey key, const char* name, uint32_t type, const void* data, uint32_t size) {
  return RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

bool CloseRegistryKey(VemRegKey key) { return RegCloseKey(key) == ERROR_SUCCESS; }

}  // namespace vem
