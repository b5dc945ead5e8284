// The registry operations over the library's registry hive (see hive.h),
// with the semantics of Windows' narrow registry calls.
#include <cstring>
#include <memory>
#include <vector>

#include "settings/hive.h"
#include "settings/hive_key_handles.h"
#include "settings/registry.h"
#include "text/utf16_text.h"

namespace vem {

namespace {

const char* OrEmpty(const char* text) { return text != nullptr ? text : ""; }

// A key opened below another lies in the parent's hive.
bool OpenOrCreate(VemRegKey parent, const char* path, bool create, VemRegKey* key) {
  OpenHiveKey parent_key;
  if (!g_hive_key_handles.Find(parent, &parent_key)) return false;
  Hive& hive = *parent_key.hive;
  HiveKeyId found;
  const bool ok = create ? hive.CreateKey(parent_key.key, OrEmpty(path), &found)
                         : hive.OpenKey(parent_key.key, OrEmpty(path), &found);
  if (!ok) return false;
  *key = g_hive_key_handles.Add(OpenHiveKey{parent_key.hive, found});
  return true;
}

}  // namespace

VemRegKey PredefinedRegistryKey(RegistryRoot root) { return HiveKeyHandles::Predefined(root); }

bool CreateRegistryKey(VemRegKey parent, const char* path, VemRegKey* key) {
  return OpenOrCreate(parent, path, true, key);
}

bool OpenRegistryKey(VemRegKey parent, const char* path, VemRegKey* key) {
  return OpenOrCreate(parent, path, false, key);
}

bool QueryRegistryValue(VemRegKey key, const char* name, void* data, uint32_t* size) {
  OpenHiveKey open_key;
  if (!g_hive_key_handles.Find(key, &open_key)) return false;
  uint32_t type;
  std::vector<uint8_t> bytes;
  if (!open_key.hive->QueryValue(open_key.key, OrEmpty(name), &type, &bytes)) return false;
  if (IsTextValueType(type)) {
    const std::string text = Utf16LeToUtf8(bytes.data(), bytes.size());
    bytes.assign(text.begin(), text.end());
  }
  if (bytes.size() > UINT32_MAX) return false;
  const uint32_t needed = static_cast<uint32_t>(bytes.size());
  if (data != nullptr) {
    if (needed > *size) {
      *size = needed;
      return false;
    }
    if (needed != 0) std::memcpy(data, bytes.data(), needed);
  }
  *size = needed;
  return true;
}

bool SetRegistryValue(VemRegKey key, const char* name, uint32_t type, const void* data, uint32_t size) {
  OpenHiveKey open_key;
  if (!g_hive_key_handles.Find(key, &open_key)) return false;
  if (data == nullptr && size != 0) return false;
  Hive& hive = *open_key.hive;
  if (IsTextValueType(type)) {
    const std::vector<uint8_t> text = Utf8ToUtf16Le(static_cast<const char*>(data), size);
    return hive.SetValue(open_key.key, OrEmpty(name), type, text.data(), text.size());
  }
  return hive.SetValue(open_key.key, OrEmpty(name), type, data, size);
}

bool CloseRegistryKey(VemRegKey key) { return g_hive_key_handles.Remove(key); }

}  // namespace vem
