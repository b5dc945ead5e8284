#include <stdlib.h>

#include <cstdlib>
#include <vector>

#include "settings/hive.h"
#include "tests/settings/scratch_registry.h"

ScratchRegistry::ScratchRegistry() : key_path_("Software\\VemMiscTests\\Case") {
  setenv("VEMMISC_REGISTRY_DIR", directory_.path().c_str(), 1);
}

ScratchRegistry::~ScratchRegistry() { unsetenv("VEMMISC_REGISTRY_DIR"); }

bool ScratchRegistry::KeyExists(const std::string& path) const {
  std::shared_ptr<vem::Hive> hive = vem::Hive::Get(vem::RegistryRoot::kCurrentUser);
  vem::HiveKeyId key;
  return hive != nullptr && hive->OpenKey(vem::kHiveRootKey, path, &key);
}

bool ScratchRegistry::ValueType(const std::string& path, const std::string& name, uint32_t* type) const {
  std::shared_ptr<vem::Hive> hive = vem::Hive::Get(vem::RegistryRoot::kCurrentUser);
  vem::HiveKeyId key;
  std::vector<uint8_t> data;
  return hive != nullptr && hive->OpenKey(vem::kHiveRootKey, path, &key) && hive->QueryValue(key, name, type, &data);
}
