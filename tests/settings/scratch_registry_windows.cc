#include <windows.h>

#include "tests/settings/scratch_registry.h"

ScratchRegistry::ScratchRegistry() {
  static int serial = 0;
  key_path_ = "Software\\VemMiscTests\\" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
}

ScratchRegistry::~ScratchRegistry() { RegDeleteTreeA(HKEY_CURRENT_USER, key_path_.c_str()); }

bool ScratchRegistry::KeyExists(const std::string& path) const {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

bool ScratchRegistry::ValueType(const std::string& path, const std::string& name, uint32_t* type) const {
  DWORD stored_type = 0;
  if (RegGetValueA(HKEY_CURRENT_USER, path.c_str(), name.c_str(), RRF_RT_ANY, &stored_type, nullptr, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  *type = stored_type;
  return true;
}
