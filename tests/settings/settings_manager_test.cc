// SettingsManager against the platform's registry: the system registry on
// Windows (Wine's, when run there), the registry hive on Linux.
#include <gtest/gtest.h>

#include <exception>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "VemSettings.h"
#include "tests/settings/scratch_registry.h"

namespace {

const char kSection[] = "Audio";

// Exposes the protected defaults and fields to the tests.
class InspectableSettings : public SettingsManager {
 public:
  using SettingsManager::SettingsManager;
  explicit InspectableSettings(const SettingsManager& other) : SettingsManager(other) {}
  static std::string& DefaultRoot() { return s_strRoot; }
  static std::string& DefaultPath() { return s_strPath; }
  static int32_t& DefaultType() { return s_type; }
  const std::string& root() const { return m_strRoot; }
  const std::string& path() const { return m_strPath; }
  VemRegKey root_key() const { return m_hRootKey; }
};

class SettingsManagerTest : public ::testing::Test {
 protected:
  SettingsManagerTest()
      : settings_("HKEY_CURRENT_USER", scratch_.key_path().c_str(), 0),
        saved_root_(InspectableSettings::DefaultRoot()),
        saved_path_(InspectableSettings::DefaultPath()) {}
  ~SettingsManagerTest() override {
    InspectableSettings::DefaultRoot() = saved_root_;
    InspectableSettings::DefaultPath() = saved_path_;
    InspectableSettings::DefaultType() = 0;
  }

  std::string SectionPath(const char* section) const { return scratch_.key_path() + "\\" + section; }

  ScratchRegistry scratch_;
  SettingsManager settings_;
  const std::string saved_root_;
  const std::string saved_path_;
};

TEST_F(SettingsManagerTest, DefaultsInitSettingsAndCopies) {
  EXPECT_EQ(InspectableSettings::DefaultRoot(), "HKEY_CURRENT_USER");
  EXPECT_EQ(InspectableSettings::DefaultPath(), "Software\\Tamrel\\VemTools");
  EXPECT_EQ(InspectableSettings::DefaultType(), 0);
  EXPECT_NE(InspectableSettings().root_key(), nullptr);
  EXPECT_FALSE(SettingsManager::InitSettings("HKEY_USERS", "Software\\X", 1));
  EXPECT_FALSE(SettingsManager::InitSettings("HKEY_USERS", "Software\\X", -1));
  EXPECT_TRUE(SettingsManager::InitSettings(nullptr, nullptr, 0));
  EXPECT_EQ(InspectableSettings::DefaultRoot() + InspectableSettings::DefaultPath(), saved_root_ + saved_path_);
  ASSERT_TRUE(SettingsManager::InitSettings(nullptr, scratch_.key_path().c_str(), 0));
  EXPECT_EQ(InspectableSettings::DefaultRoot(), saved_root_);
  InspectableSettings before;
  const InspectableSettings copy_before(before);
  ASSERT_TRUE(SettingsManager::InitSettings("hkey_users", "Software\\New", 0));
  InspectableSettings after, assigned("HKEY_USERS", "x", 0);
  assigned = before;
  const InspectableSettings* olds[] = {&before, &copy_before, &assigned};
  for (const InspectableSettings* old : olds) {
    EXPECT_EQ(old->root() + "|" + old->path(), "HKEY_CURRENT_USER|" + scratch_.key_path());
    EXPECT_EQ(old->root_key(), before.root_key());
  }
  EXPECT_EQ(after.root() + "|" + after.path(), "hkey_users|Software\\New");
  EXPECT_EQ(after.root_key(), nullptr);
  InspectableSettings copy_of_copy(copy_before);
  EXPECT_TRUE(copy_of_copy.SetParam("v", 1, kSection, "Gain", -1));
  EXPECT_TRUE(scratch_.KeyExists(SectionPath(kSection)));
}

TEST_F(SettingsManagerTest, StorageTypeOtherThanZeroThrowsBadAlloc) {
  for (int32_t type : {1, -5, 2}) {
    try {
      SettingsManager rejected("HKEY_CURRENT_USER", "Software", type);
      ADD_FAILURE() << "no exception for " << type;
    } catch (const std::bad_alloc& error) {
      EXPECT_STREQ(error.what(), "Invalid storage types");
    }
  }
  // The default constructor takes s_type and checks it the same way.
  InspectableSettings::DefaultType() = 7;
  EXPECT_THROW(SettingsManager(), VemInvalidStorageType);
}

// Reads create the path key but no section; writes create both and store
// binary values, text included.
TEST_F(SettingsManagerTest, KeysAreCreatedByWritesAndValuesAreBinary) {
  char buffer[4];
  std::string text = "unchanged";
  EXPECT_FALSE(settings_.GetParam(buffer, sizeof buffer, kSection, "Gain", -1));
  EXPECT_EQ(settings_.GetParamDataLen(kSection, "Gain", -1), 0u);
  EXPECT_FALSE(settings_.GetString(&text, kSection, "Gain", -1));
  EXPECT_EQ(text, "unchanged");
  EXPECT_TRUE(scratch_.KeyExists(scratch_.key_path()));
  EXPECT_FALSE(scratch_.KeyExists(SectionPath(kSection)));
  ASSERT_TRUE(settings_.SetParam("\1\2", 2, kSection, "Gain", -1));
  ASSERT_TRUE(settings_.SetString(&text, kSection, "Name", 4));
  for (const char* name : {"Gain", "Name4"}) {
    uint32_t type = 0;
    EXPECT_TRUE(scratch_.ValueType(SectionPath(kSection), name, &type) && type == 3u) << name;
  }
}

// Bad arguments and roots that are none of the five, by letter case
// included, fail and create nothing.
TEST_F(SettingsManagerTest, BadArgumentsAndUnknownRootsFailWithoutWriting) {
  int32_t value = 3;
  std::string text = "unchanged";
  EXPECT_FALSE(settings_.SetParam(&value, 4, kSection, nullptr, -1));
  EXPECT_FALSE(settings_.SetParam(&value, -1, kSection, "Gain", -1));
  EXPECT_FALSE(settings_.SetParam(nullptr, 4, kSection, "Gain", -1));
  EXPECT_FALSE(settings_.SetString(nullptr, kSection, "Gain", -1));
  EXPECT_FALSE(settings_.GetParam(&value, 4, kSection, nullptr, -1));
  EXPECT_FALSE(settings_.GetParam(&value, -4, kSection, "Gain", -1));
  EXPECT_EQ(settings_.GetParamDataLen(kSection, nullptr, -1), 0u);
  EXPECT_FALSE(settings_.GetString(nullptr, kSection, "Gain", -1));
  EXPECT_FALSE(SettingsManager(nullptr, nullptr, 0).SetParam(&value, 4, kSection, "Gain", -1));
  for (const char* root : {"hkey_current_user", "HKEY_Current_User", "HKCU", "", "HKEY_CURRENT_USER "}) {
    InspectableSettings wrong(root, scratch_.key_path().c_str(), 0);
    EXPECT_EQ(wrong.root_key(), nullptr) << root;
    EXPECT_FALSE(wrong.SetParam(&value, 4, kSection, "Gain", -1)) << root;
    EXPECT_FALSE(wrong.SetString(&text, kSection, "Name", -1)) << root;
    EXPECT_FALSE(wrong.GetParam(&value, 4, kSection, "Gain", -1)) << root;
    EXPECT_EQ(wrong.GetParamDataLen(kSection, "Gain", -1), 0u) << root;
    EXPECT_FALSE(wrong.GetString(&text, kSection, "Name", -1)) << root;
  }
  EXPECT_EQ(text, "unchanged");
  EXPECT_FALSE(scratch_.KeyExists(scratch_.key_path()));
}

TEST_F(SettingsManagerTest, ObjectsOnDifferentThreadsWorkAtOnce) {
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      SettingsManager own("HKEY_CURRENT_USER", scratch_.key_path().c_str(), 0);
      const std::string section = "Thread" + std::to_string(t);
      for (int32_t i = 0, read = -1; i < 100; ++i) {
        const int32_t value = t * 1000 + i;
        failures[t] += !own.SetParam(&value, 4, section.c_str(), "V", i);
        failures[t] += !own.GetParam(&read, 4, section.c_str(), "V", i) || read != value;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures, std::vector<int>(4, 0));
}

}  // namespace
