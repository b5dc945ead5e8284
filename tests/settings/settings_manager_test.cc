// What the comparison with Windows' registry cannot show: a key handle
// belongs to the hive it was opened in, whatever VEMMISC_REGISTRY_DIR says
// later; the hive of the new location is a different one.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "VemSettings.h"
#include "settings/hive.h"
#include "settings/registry.h"
#include "tests/support/temp_folder.h"

namespace vem_test {
namespace {

TEST(SettingsManagerTest, AKeyHandleKeepsWritingToItsOwnHiveAfterTheLocationChanges) {
  const TempFolder first, second;
  setenv("VEMMISC_REGISTRY_DIR", first.path().c_str(), 1);
  VemRegKey key;
  ASSERT_TRUE(vem::CreateRegistryKey(vem::PredefinedRegistryKey(vem::RegistryRoot::kCurrentUser), "Software\\S", &key));
  setenv("VEMMISC_REGISTRY_DIR", second.path().c_str(), 1);
  EXPECT_TRUE(vem::SetRegistryValue(key, "Old", vem::kRegBinary, "1", 1));
  SettingsManager settings("HKEY_CURRENT_USER", "Software", 0);
  EXPECT_TRUE(settings.SetParam("22", 2, "S", "New", -1));
  EXPECT_EQ(settings.GetParamDataLen("S", "Old", -1), 0u);
  EXPECT_TRUE(vem::CloseRegistryKey(key));
  setenv("VEMMISC_REGISTRY_DIR", first.path().c_str(), 1);
  EXPECT_EQ(settings.GetParamDataLen("S", "Old", -1), 1u);
  EXPECT_EQ(settings.GetParamDataLen("S", "New", -1), 0u);
  unsetenv("VEMMISC_REGISTRY_DIR");
  vem::Hive::Get(vem::RegistryRoot::kCurrentUser);  // lets the connection go
}

// Defaults change only with storage type 0; a null root or path keeps its default.
TEST(SettingsManagerTest, InitSettingsTakesOnlyStorageTypeZero) {
  EXPECT_FALSE(SettingsManager::InitSettings("HKEY_USERS", "x", 1));
  EXPECT_TRUE(SettingsManager::InitSettings(nullptr, nullptr, 0));
}

}  // namespace
}  // namespace vem_test
