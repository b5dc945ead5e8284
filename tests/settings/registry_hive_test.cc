// The narrow registry operations over the hive: handles, text conversion,
// and SettingsManager reading what other programs stored.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "VemSettings.h"
#include "settings/hive.h"
#include "settings/registry.h"
#include "tests/settings/scratch_registry.h"
#include "tests/settings/temp_dir.h"

namespace {

using vem::RegistryRoot;

class RegistryHiveTest : public ::testing::Test {
 protected:
  VemRegKey user_ = vem::PredefinedRegistryKey(RegistryRoot::kCurrentUser);
  ScratchRegistry scratch_;
};

// UTF-16LE bytes of an ASCII or Latin-1 string, terminators included.
std::vector<uint8_t> Utf16(const std::string& latin1) {
  std::vector<uint8_t> bytes;
  for (unsigned char c : latin1) {
    bytes.push_back(c);
    bytes.push_back(0);
  }
  return bytes;
}

TEST_F(RegistryHiveTest, PredefinedHandlesHaveWindowsValuesAndStayOpen) {
  EXPECT_EQ(reinterpret_cast<uintptr_t>(user_), static_cast<uintptr_t>(INT64_C(-0x7fffffff)));
  EXPECT_EQ(reinterpret_cast<uintptr_t>(vem::PredefinedRegistryKey(RegistryRoot::kCurrentConfig)),
            static_cast<uintptr_t>(INT64_C(-0x7ffffffb)));
  EXPECT_TRUE(vem::CloseRegistryKey(user_));
  VemRegKey key;
  EXPECT_TRUE(vem::CreateRegistryKey(user_, "Software", &key));
  EXPECT_TRUE(vem::CloseRegistryKey(key));
}

TEST_F(RegistryHiveTest, UnknownAndClosedHandlesAreRefused) {
  VemRegKey key;
  ASSERT_TRUE(vem::CreateRegistryKey(user_, "Software\\Handles", &key));
  VemRegKey second;
  ASSERT_TRUE(vem::OpenRegistryKey(user_, "Software\\Handles", &second));
  EXPECT_NE(key, second);
  ASSERT_TRUE(vem::CloseRegistryKey(key));
  EXPECT_FALSE(vem::CloseRegistryKey(key));
  uint32_t size = 0;
  EXPECT_FALSE(vem::QueryRegistryValue(key, "", nullptr, &size));
  EXPECT_FALSE(vem::SetRegistryValue(key, "v", vem::kRegBinary, "x", 1));
  VemRegKey child;
  EXPECT_FALSE(vem::CreateRegistryKey(key, "Child", &child));
  const VemRegKey bogus_handles[] = {nullptr, reinterpret_cast<VemRegKey>(0x1234567)};
  for (VemRegKey bogus : bogus_handles) {
    EXPECT_FALSE(vem::CloseRegistryKey(bogus));
    EXPECT_FALSE(vem::OpenRegistryKey(bogus, "Software", &child));
  }
  // The second handle to the same key is unaffected.
  EXPECT_TRUE(vem::SetRegistryValue(second, "v", vem::kRegBinary, "x", 1));
  EXPECT_TRUE(vem::CloseRegistryKey(second));
}

TEST_F(RegistryHiveTest, HandleKeepsWritingToItsOwnHiveAfterTheLocationChanges) {
  VemRegKey held;
  ASSERT_TRUE(vem::CreateRegistryKey(user_, "Software\\Held", &held));
  std::shared_ptr<vem::Hive> first = vem::Hive::Get(RegistryRoot::kCurrentUser);
  const std::string elsewhere = MakeTempDir();
  setenv("VEMMISC_REGISTRY_DIR", elsewhere.c_str(), 1);
  ASSERT_TRUE(vem::SetRegistryValue(held, "V", vem::kRegBinary, "1", 1));
  VemRegKey child;
  ASSERT_TRUE(vem::CreateRegistryKey(held, "Child", &child));
  ASSERT_TRUE(vem::SetRegistryValue(child, "W", vem::kRegBinary, "2", 1));
  uint32_t size = 0;
  EXPECT_TRUE(vem::QueryRegistryValue(held, "V", nullptr, &size));

  vem::HiveKeyId key;
  uint32_t type;
  std::vector<uint8_t> data;
  ASSERT_TRUE(first->OpenKey(vem::kHiveRootKey, "Software\\Held\\Child", &key));
  EXPECT_TRUE(first->QueryValue(key, "W", &type, &data));
  std::shared_ptr<vem::Hive> now = vem::Hive::Get(RegistryRoot::kCurrentUser);
  ASSERT_NE(now, nullptr);
  EXPECT_NE(now->file_path(), first->file_path());
  EXPECT_FALSE(now->OpenKey(vem::kHiveRootKey, "Software", &key));
  EXPECT_TRUE(vem::CloseRegistryKey(child));
  EXPECT_TRUE(vem::CloseRegistryKey(held));
  RemoveTree(elsewhere);
}

TEST_F(RegistryHiveTest, QueryReportsSizeAndRefusesSmallBuffers) {
  VemRegKey key;
  ASSERT_TRUE(vem::CreateRegistryKey(user_, "Q", &key));
  ASSERT_TRUE(vem::SetRegistryValue(key, "", vem::kRegBinary, "12345", 5));
  uint32_t size = 0;
  ASSERT_TRUE(vem::QueryRegistryValue(key, "", nullptr, &size));
  EXPECT_EQ(size, 5u);
  char buffer[8] = {};
  size = 4;
  EXPECT_FALSE(vem::QueryRegistryValue(key, nullptr, buffer, &size));
  EXPECT_EQ(size, 5u);  // the size needed
  size = sizeof buffer;
  ASSERT_TRUE(vem::QueryRegistryValue(key, nullptr, buffer, &size));
  EXPECT_EQ(size, 5u);
  EXPECT_STREQ(buffer, "12345");
  size = 99;
  EXPECT_FALSE(vem::QueryRegistryValue(key, "missing", nullptr, &size));
  EXPECT_EQ(size, 99u);
  vem::CloseRegistryKey(key);
}

TEST_F(RegistryHiveTest, TextValuesAreStoredAsUtf16AndReadAsNarrowText) {
  VemRegKey key;
  ASSERT_TRUE(vem::CreateRegistryKey(user_, "Text", &key));
  const char narrow[] = "Gr\xC3\xBC\xC3\x9F" "e";  // "Grüße" in UTF-8
  ASSERT_TRUE(vem::SetRegistryValue(key, "Greeting", vem::kRegSz, narrow, sizeof narrow));

  std::shared_ptr<vem::Hive> hive = vem::Hive::Get(RegistryRoot::kCurrentUser);
  vem::HiveKeyId id;
  ASSERT_TRUE(hive->OpenKey(vem::kHiveRootKey, "Text", &id));
  uint32_t type;
  std::vector<uint8_t> stored;
  ASSERT_TRUE(hive->QueryValue(id, "Greeting", &type, &stored));
  EXPECT_EQ(type, vem::kRegSz);
  EXPECT_EQ(stored, Utf16("Gr\xFC\xDF" "e" + std::string(1, '\0')));

  char read[16] = {};
  uint32_t size = sizeof read;
  ASSERT_TRUE(vem::QueryRegistryValue(key, "Greeting", read, &size));
  EXPECT_EQ(size, sizeof narrow);
  EXPECT_STREQ(read, narrow);
  vem::CloseRegistryKey(key);
}

TEST_F(RegistryHiveTest, SettingsManagerReadsTextImportedFromElsewhere) {
  std::shared_ptr<vem::Hive> hive = vem::Hive::Get(RegistryRoot::kCurrentUser);
  vem::HiveKeyId id;
  ASSERT_TRUE(hive->CreateKey(vem::kHiveRootKey, scratch_.key_path() + "\\Paths", &id));
  const std::vector<uint8_t> expand = Utf16("%HOME%\\x" + std::string(1, '\0'));
  ASSERT_TRUE(hive->SetValue(id, "Dir", vem::kRegExpandSz, expand.data(), expand.size()));
  const std::vector<uint8_t> multi = Utf16(std::string("a\0bc\0\0", 6));
  ASSERT_TRUE(hive->SetValue(id, "List", vem::kRegMultiSz, multi.data(), multi.size()));

  SettingsManager settings("HKEY_CURRENT_USER", scratch_.key_path().c_str(), 0);
  std::string text;
  ASSERT_TRUE(settings.GetString(&text, "Paths", "Dir", -1));
  EXPECT_EQ(text, "%HOME%\\x");
  EXPECT_EQ(settings.GetParamDataLen("Paths", "List", -1), 6u);
  char list[6];
  ASSERT_TRUE(settings.GetParam(list, 6, "Paths", "List", -1));
  EXPECT_EQ(std::string(list, 6), std::string("a\0bc\0\0", 6));
}

}  // namespace
