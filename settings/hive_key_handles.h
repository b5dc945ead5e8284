// The open key handles of this process for the registry operations over the
// hive. A handle holds the hive it was opened on and a key of it, so it keeps
// working on that hive wherever the environment later places the root's
// hive; a predefined root handle finds the root's hive when it is used.
// Handles are plain numbers of this process, so an unknown one is refused
// rather than used, and so is one whose hive was opened by the parent of a
// forked process.
#ifndef VEMMISC_SETTINGS_HIVE_KEY_HANDLES_H_
#define VEMMISC_SETTINGS_HIVE_KEY_HANDLES_H_

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "VemSettings.h"
#include "settings/hive.h"
#include "settings/registry_defs.h"

namespace vem {

struct OpenHiveKey {
  std::shared_ptr<Hive> hive;
  HiveKeyId key;
};

class HiveKeyHandles {
 public:
  HiveKeyHandles() = default;
  HiveKeyHandles(const HiveKeyHandles&) = delete;
  HiveKeyHandles& operator=(const HiveKeyHandles&) = delete;

  // The predefined handle of a root key, the same number as on Windows.
  static VemRegKey Predefined(RegistryRoot root);

  // A new handle for the key.
  VemRegKey Add(const OpenHiveKey& key);
  // The key a handle (predefined or added) stands for; false if unknown or
  // if the hive cannot be used (not found for a root, or another process's).
  bool Find(VemRegKey handle, OpenHiveKey* key);
  // Forgets an added handle; true for a predefined one, false if unknown.
  bool Remove(VemRegKey handle);

 private:
  std::mutex mutex_;
  uintptr_t last_handle_ = 0;
  std::unordered_map<uintptr_t, OpenHiveKey> keys_;
};

extern HiveKeyHandles g_hive_key_handles;

}  // namespace vem

#endif  // VEMMISC_SETTINGS_HIVE_KEY_HANDLES_H_
