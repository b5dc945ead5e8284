// The hive's keys, values, deletion and transactions, in one process.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "settings/hive.h"
#include "tests/settings/scratch_registry.h"

namespace {

using vem::Hive;
using vem::HiveKeyId;
using vem::kHiveRootKey;

class HiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hive_ = Hive::Get(vem::RegistryRoot::kCurrentUser);
    ASSERT_NE(hive_, nullptr);
  }

  HiveKeyId Create(const std::string& path) {
    HiveKeyId key = -1;
    EXPECT_TRUE(hive_->CreateKey(kHiveRootKey, path, &key)) << path;
    return key;
  }
  bool Exists(const std::string& path) {
    HiveKeyId key;
    return hive_->OpenKey(kHiveRootKey, path, &key);
  }
  std::vector<uint8_t> Read(HiveKeyId key, const std::string& name) {
    uint32_t type;
    std::vector<uint8_t> data;
    EXPECT_TRUE(hive_->QueryValue(key, name, &type, &data)) << name;
    return data;
  }

  ScratchRegistry scratch_;
  std::shared_ptr<Hive> hive_;
};

TEST_F(HiveTest, KeyNamesIgnoreCaseAndKeepTheCaseTheyWereCreatedWith) {
  const HiveKeyId created = Create("Software\\Tamrel\\VemTools");
  HiveKeyId found;
  ASSERT_TRUE(hive_->OpenKey(kHiveRootKey, "SOFTWARE\\tamrel\\vEMtOOLS", &found));
  EXPECT_EQ(found, created);
  EXPECT_EQ(Create("software\\TAMREL\\vemtools"), created);
  std::string name;
  ASSERT_TRUE(hive_->KeyName(created, &name));
  EXPECT_EQ(name, "VemTools");
  std::vector<std::pair<HiveKeyId, std::string>> sub_keys;
  ASSERT_TRUE(hive_->ListSubKeys(kHiveRootKey, &sub_keys));
  ASSERT_EQ(sub_keys.size(), 1u);
  EXPECT_EQ(sub_keys[0].second, "Software");
}

TEST_F(HiveTest, OpenFailsForMissingKeysCreateMakesEveryLevel) {
  HiveKeyId key;
  EXPECT_FALSE(hive_->OpenKey(kHiveRootKey, "A\\B\\C", &key));
  Create("A\\B\\C");
  EXPECT_TRUE(Exists("A"));
  EXPECT_TRUE(Exists("A\\B"));
  EXPECT_FALSE(Exists("A\\C"));
}

// Paths with the levels they name below the root ("" for a path that is
// refused); a refused path creates nothing, not even its first levels.
TEST_F(HiveTest, PathsSkipEmptyLevelsAndKeepTheRegistrysLimits) {
  std::string deepest;  // 512 levels
  for (int level = 1; level <= vem::kMaxKeyDepth; ++level) deepest += "\\d";
  deepest.erase(0, 1);
  const std::string emoji = "\xF0\x9F\x98\x80";  // two UTF-16 code units
  const struct {
    std::string path;
    std::string levels;
  } kPaths[] = {
      {"E\\\\F\\", "E\\F"},
      {"E\\\\\\F\\G\\\\", "E\\F\\G"},
      {"\\Leading", ""},
      {"\\", ""},
      {"\\\\Two", ""},
      {std::string(255, 'k') + "\\\xC3\xA4" + std::string(254, 'u'), "="},
      {"Long\\" + std::string(256, 'x'), ""},
      {"Wide\\" + emoji + std::string(254, 'x'), ""},
      {"Wide\\" + emoji + std::string(253, 'x'), "="},
      {deepest, "="},
      {"q" + deepest.substr(1) + "\\q", ""},
  };
  for (const auto& entry : kPaths) {
    HiveKeyId created = -1, found = -1;
    const bool made = hive_->CreateKey(kHiveRootKey, entry.path, &created);
    EXPECT_EQ(made, !entry.levels.empty()) << entry.path.substr(0, 40);
    if (made) {
      const std::string& levels = entry.levels == "=" ? entry.path : entry.levels;
      ASSERT_TRUE(hive_->OpenKey(kHiveRootKey, levels, &found));
      EXPECT_EQ(found, created);
    } else {
      EXPECT_FALSE(hive_->OpenKey(kHiveRootKey, entry.path, &found));
      const std::string first = entry.path.substr(0, entry.path.find('\\'));
      if (!first.empty()) {
        EXPECT_FALSE(Exists(first)) << first;
      }
    }
  }
  // The depth counts from the root, whatever key a path starts from.
  const HiveKeyId deep = Create(deepest.substr(0, deepest.size() - 4));
  HiveKeyId key;
  EXPECT_TRUE(hive_->CreateKey(deep, "x\\\\y", &key));
  EXPECT_FALSE(hive_->CreateKey(deep, "x\\y\\z", &key));
  EXPECT_TRUE(hive_->OpenKey(deep, "", &key));
  EXPECT_EQ(key, deep);
}

TEST_F(HiveTest, ValuesKeepTypeAndBytesAndTheFirstNamesCase) {
  const HiveKeyId key = Create("Values");
  const uint8_t dword[] = {1, 0, 0, 0};
  ASSERT_TRUE(hive_->SetValue(key, "Gain", vem::kRegDword, dword, 4));
  ASSERT_TRUE(hive_->SetValue(key, "", vem::kRegSz, "d\0\0\0", 4));
  const uint8_t replaced[] = {9, 9};
  ASSERT_TRUE(hive_->SetValue(key, "GAIN", vem::kRegBinary, replaced, 2));
  ASSERT_TRUE(hive_->SetValue(key, "Empty", vem::kRegNone, nullptr, 0));

  std::vector<vem::HiveValue> values;
  ASSERT_TRUE(hive_->ListValues(key, &values));
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(values[0].name, "");  // the default value sorts first
  EXPECT_EQ(values[0].type, vem::kRegSz);
  EXPECT_EQ(values[1].name, "Empty");
  EXPECT_TRUE(values[1].data.empty());
  EXPECT_EQ(values[2].name, "Gain");
  EXPECT_EQ(values[2].type, vem::kRegBinary);
  EXPECT_EQ(values[2].data, std::vector<uint8_t>(replaced, replaced + 2));
}

TEST_F(HiveTest, AllByteValuesAndOneMebibyteRoundTrip) {
  const HiveKeyId key = Create("Big");
  std::vector<uint8_t> all(256);
  for (int i = 0; i < 256; ++i) all[i] = static_cast<uint8_t>(255 - i);
  std::vector<uint8_t> big(1 << 20);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 2654435761u >> 13);
  ASSERT_TRUE(hive_->SetValue(key, "All", vem::kRegBinary, all.data(), all.size()));
  ASSERT_TRUE(hive_->SetValue(key, "Big", vem::kRegBinary, big.data(), big.size()));
  EXPECT_EQ(Read(key, "All"), all);
  EXPECT_EQ(Read(key, "Big"), big);
}

TEST_F(HiveTest, DeletingAKeyDeletesItsTreeAndItsIdIsNeverReused) {
  const HiveKeyId top = Create("Top");
  const HiveKeyId child = Create("Top\\Child\\Grandchild");
  ASSERT_TRUE(hive_->SetValue(child, "V", vem::kRegBinary, "v", 1));
  ASSERT_TRUE(hive_->SetValue(top, "W", vem::kRegBinary, "w", 1));
  ASSERT_TRUE(hive_->DeleteKey(top));
  EXPECT_FALSE(Exists("Top"));
  EXPECT_FALSE(hive_->KeyExists(child));
  EXPECT_FALSE(hive_->DeleteKey(top));
  // A handle to the deleted key can no longer write or read.
  EXPECT_FALSE(hive_->SetValue(child, "V", vem::kRegBinary, "v", 1));
  uint32_t type;
  std::vector<uint8_t> data;
  EXPECT_FALSE(hive_->QueryValue(child, "V", &type, &data));
  std::vector<vem::HiveValue> values;
  EXPECT_FALSE(hive_->ListValues(child, &values));

  const HiveKeyId again = Create("Top\\Child\\Grandchild");
  EXPECT_NE(again, child);
  EXPECT_NE(again, top);
  ASSERT_TRUE(hive_->ListValues(again, &values));
  EXPECT_TRUE(values.empty());
  EXPECT_FALSE(hive_->DeleteKey(kHiveRootKey));
  EXPECT_TRUE(Exists("Top"));
}

TEST_F(HiveTest, DeleteValueReportsWhetherItExisted) {
  const HiveKeyId key = Create("Del");
  ASSERT_TRUE(hive_->SetValue(key, "Once", vem::kRegBinary, "1", 1));
  EXPECT_TRUE(hive_->DeleteValue(key, "ONCE"));
  EXPECT_FALSE(hive_->DeleteValue(key, "Once"));
}

TEST_F(HiveTest, TransactionKeepsNothingUnlessCommitted) {
  {
    Hive::Transaction transaction(*hive_);
    ASSERT_TRUE(transaction.started());
    const HiveKeyId key = Create("Draft\\Key");
    ASSERT_TRUE(hive_->SetValue(key, "V", vem::kRegBinary, "v", 1));
    EXPECT_TRUE(Exists("Draft\\Key"));  // visible inside the transaction
  }
  EXPECT_FALSE(Exists("Draft"));
  {
    Hive::Transaction transaction(*hive_);
    const HiveKeyId key = Create("Final\\Key");
    ASSERT_TRUE(hive_->SetValue(key, "V", vem::kRegBinary, "v", 1));
    HiveKeyId ignored;
    // A failing write inside the transaction undoes only itself.
    EXPECT_FALSE(hive_->CreateKey(kHiveRootKey, "Final\\Half\\" + std::string(300, 'z'),
                                  &ignored));
    EXPECT_TRUE(transaction.Commit());
  }
  EXPECT_TRUE(Exists("Final\\Key"));
  EXPECT_FALSE(Exists("Final\\Half"));
}

TEST_F(HiveTest, ListsAreOrderedByUpperCaseName) {
  for (const char* name : {"delta", "_under", "Alpha", "charlie", "\xC3\xA4", "Bravo"}) {
    Create(std::string("L\\") + name);
  }
  HiveKeyId key;
  ASSERT_TRUE(hive_->OpenKey(kHiveRootKey, "L", &key));
  std::vector<std::pair<HiveKeyId, std::string>> sub_keys;
  ASSERT_TRUE(hive_->ListSubKeys(key, &sub_keys));
  std::vector<std::string> names;
  for (const auto& sub_key : sub_keys) names.push_back(sub_key.second);
  // By upper case: "_" comes after the letters, "ä" after every ASCII name.
  EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "Bravo", "charlie", "delta", "_under",
                                             "\xC3\xA4"}));
}

}  // namespace
