#include "settings/hive_key_handles.h"

namespace vem {

namespace {

// Windows' numbers for the predefined keys, sign-extended to pointer width.
uintptr_t PredefinedValue(RegistryRoot root) {
  static const int32_t kValues[kRegistryRootCount] = {
      static_cast<int32_t>(0x80000000u), static_cast<int32_t>(0x80000001u), static_cast<int32_t>(0x80000002u),
      static_cast<int32_t>(0x80000003u), static_cast<int32_t>(0x80000005u)};
  return static_cast<uintptr_t>(static_cast<intptr_t>(kValues[static_cast<int>(root)]));
}

bool FindPredefined(uintptr_t value, RegistryRoot* root) {
  for (int i = 0; i < kRegistryRootCount; ++i) {
    if (PredefinedValue(static_cast<RegistryRoot>(i)) == value) {
      *root = static_cast<RegistryRoot>(i);
      return true;
    }
  }
  return false;
}

}  // namespace

VemRegKey HiveKeyHandles::Predefined(RegistryRoot root) { return reinterpret_cast<VemRegKey>(PredefinedValue(root)); }

VemRegKey HiveKeyHandles::Add(const OpenHiveKey& key) {
  std::lock_guard<std::mutex> lock(mutex_);
  const uintptr_t handle = ++last_handle_;
  keys_.emplace(handle, key);
  return reinterpret_cast<VemRegKey>(handle);
}

bool HiveKeyHandles::Find(VemRegKey handle, OpenHiveKey* key) {
  const uintptr_t value = reinterpret_cast<uintptr_t>(handle);
  RegistryRoot root;
  if (FindPredefined(value, &root)) {
    *key = OpenHiveKey{Hive::Get(root), kHiveRootKey};
    return key->hive != nullptr;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  const auto found = keys_.find(value);
  if (found == keys_.end() || !found->second.hive->OpenedByThisProcess()) return false;
  *key = found->second;
  return true;
}

bool HiveKeyHandles::Remove(VemRegKey handle) {
  const uintptr_t value = reinterpret_cast<uintptr_t>(handle);
  RegistryRoot root;
  if (FindPredefined(value, &root)) return true;
  std::lock_guard<std::mutex> lock(mutex_);
  return keys_.erase(value) == 1;
}

}  // namespace vem
