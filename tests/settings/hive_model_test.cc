// The hive against the model run, and the five roots with their handles.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "VemSettings.h"
#include "settings/hive.h"
#include "settings/registry.h"
#include "tests/support/model_runs.h"
#include "tests/support/temp_folder.h"

namespace vem_test {

void RunHive(OpStream& in);

namespace {

TEST(HiveModelTest, AgreesWithAModelOfTheRegistry) { RunSeeds(RunHive, 16, 6000); }

// Each root has the handle Windows gives it and a hive of its own: a value
// written below each is read back below each, and only there.
TEST(HiveModelTest, EveryRootHasItsHandleAndAHiveOfItsOwn) {
  const TempFolder folder;
  setenv("VEMMISC_REGISTRY_DIR", folder.path().c_str(), 1);
  const uintptr_t kHandles[] = {0x80000000u, 0x80000001u, 0x80000002u, 0x80000003u, 0x80000005u};
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < vem::kRegistryRootCount; ++i) {
      const vem::RegistryRoot root = static_cast<vem::RegistryRoot>(i);
      const std::string name = vem::RegistryRootName(root);
      EXPECT_EQ(reinterpret_cast<uintptr_t>(vem::PredefinedRegistryKey(root)), kHandles[i] | ~uintptr_t{0xFFFFFFFF});
      SettingsManager settings(name.c_str(), "Software", 0);
      std::string read;
      EXPECT_TRUE(pass == 0 ? settings.SetString(&name, "S", name.c_str(), -1)
                            : settings.GetString(&read, "S", name.c_str(), -1) && read == name)
          << name;
      EXPECT_EQ(settings.GetParamDataLen("S", vem::RegistryRootName(static_cast<vem::RegistryRoot>((i + 1) % 5)), -1),
                0u)
          << name;
    }
  }
  unsetenv("VEMMISC_REGISTRY_DIR");
  vem::Hive::Get(vem::RegistryRoot::kCurrentUser);  // lets the connection go
}

}  // namespace
}  // namespace vem_test
