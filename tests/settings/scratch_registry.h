// A private place in the registry for one test, and ways to look at it that
// do not go through SettingsManager: on Linux a temporary hive directory
// (VEMMISC_REGISTRY_DIR points at it while the object lives), on Windows a
// scratch key below HKEY_CURRENT_USER that is deleted afterwards.
#ifndef VEMMISC_TESTS_SETTINGS_SCRATCH_REGISTRY_H_
#define VEMMISC_TESTS_SETTINGS_SCRATCH_REGISTRY_H_

#include <cstdint>
#include <string>

#if !defined(_WIN32)
#include "tests/support/temp_folder.h"
#endif

class ScratchRegistry {
 public:
  ScratchRegistry();
  ScratchRegistry(const ScratchRegistry&) = delete;
  ScratchRegistry& operator=(const ScratchRegistry&) = delete;
  ~ScratchRegistry();

  // A key path below HKEY_CURRENT_USER that belongs to this test alone.
  const std::string& key_path() const { return key_path_; }

  // Whether the key `path` exists below HKEY_CURRENT_USER.
  bool KeyExists(const std::string& path) const;
  // The stored type of a value of key `path` below HKEY_CURRENT_USER; false
  // if it does not exist.
  bool ValueType(const std::string& path, const std::string& name, uint32_t* type) const;

 private:
  std::string key_path_;
#if !defined(_WIN32)
  vem_test::TempFolder directory_;  // the hive directory
#endif
};

#endif  // VEMMISC_TESTS_SETTINGS_SCRATCH_REGISTRY_H_
