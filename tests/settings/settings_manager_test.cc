// SettingsManager against the platform's registry: the system registry on
// Windows (Wine's, when run there), the registry hive on Linux.
#include <gtest/gtest.h>

#include <climits>
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

  std::string SectionPath(const char* section) const {
    return scratch_.key_path() + "\\" + section;
  }

  ScratchRegistry scratch_;
  SettingsManager settings_;
  const std::string saved_root_;
  const std::string saved_path_;
};

TEST_F(SettingsManagerTest, DefaultsAreTheDocumentedRootPathAndType) {
  EXPECT_EQ(InspectableSettings::DefaultRoot(), "HKEY_CURRENT_USER");
  EXPECT_EQ(InspectableSettings::DefaultPath(), "Software\\Tamrel\\VemTools");
  EXPECT_EQ(InspectableSettings::DefaultType(), 0);
  InspectableSettings defaults;
  EXPECT_EQ(defaults.root(), "HKEY_CURRENT_USER");
  EXPECT_EQ(defaults.path(), "Software\\Tamrel\\VemTools");
  EXPECT_NE(defaults.root_key(), nullptr);
}

TEST_F(SettingsManagerTest, IndexIsAppendedInDecimalUnlessMinusOne) {
  const int64_t values[] = {11, 22, 33, 44, 55};
  ASSERT_TRUE(settings_.SetParam(&values[0], 8, kSection, "Gain", -1));
  ASSERT_TRUE(settings_.SetParam(&values[1], 8, kSection, "Gain", 0));
  ASSERT_TRUE(settings_.SetParam(&values[2], 8, kSection, "Gain", 3));
  ASSERT_TRUE(settings_.SetParam(&values[3], 8, kSection, "Gain", -2));
  ASSERT_TRUE(settings_.SetParam(&values[4], 8, kSection, "Gain", INT_MIN));

  const struct {
    const char* stored_name;
    int64_t value;
  } expected[] = {{"Gain", 11}, {"Gain0", 22}, {"Gain3", 33}, {"Gain-2", 44},
                  {"Gain-2147483648", 55}};
  for (const auto& entry : expected) {
    int64_t read = 0;
    EXPECT_TRUE(settings_.GetParam(&read, 8, kSection, entry.stored_name, -1))
        << entry.stored_name;
    EXPECT_EQ(read, entry.value) << entry.stored_name;
  }
  int64_t read = 0;
  EXPECT_TRUE(settings_.GetParam(&read, 8, kSection, "Gain", 3));
  EXPECT_EQ(read, 33);
}

TEST_F(SettingsManagerTest, ReadingAMissingSectionCreatesOnlyThePathKey) {
  ASSERT_FALSE(scratch_.KeyExists(scratch_.key_path()));
  char buffer[16];
  std::string text = "unchanged";
  EXPECT_FALSE(settings_.GetParam(buffer, sizeof buffer, kSection, "Gain", -1));
  EXPECT_EQ(settings_.GetParamDataLen(kSection, "Gain", -1), 0u);
  EXPECT_FALSE(settings_.GetString(&text, kSection, "Gain", -1));
  EXPECT_EQ(text, "unchanged");
  EXPECT_TRUE(scratch_.KeyExists(scratch_.key_path()));
  EXPECT_FALSE(scratch_.KeyExists(SectionPath(kSection)));
}

TEST_F(SettingsManagerTest, WritingCreatesPathAndSectionKeysAsBinaryValue) {
  const uint8_t data[] = {1, 2, 3};
  ASSERT_TRUE(settings_.SetParam(data, sizeof data, kSection, "Gain", -1));
  EXPECT_TRUE(scratch_.KeyExists(SectionPath(kSection)));
  uint32_t type = 0;
  ASSERT_TRUE(scratch_.ValueType(SectionPath(kSection), "Gain", &type));
  EXPECT_EQ(type, 3u);  // REG_BINARY, also for text written with SetString
  const std::string text = "text";
  ASSERT_TRUE(settings_.SetString(&text, kSection, "Name", -1));
  ASSERT_TRUE(scratch_.ValueType(SectionPath(kSection), "Name", &type));
  EXPECT_EQ(type, 3u);
}

// Text written by SetString keeps one zero byte after it; GetString reads up
// to the first zero byte or all bytes, and leaves its target alone on failure.
TEST_F(SettingsManagerTest, StringsEndInOneZeroByteAndAreReadUpToTheFirst) {
  const struct {
    std::string bytes;
    bool with_set_string;
    uint32_t stored_size;
    std::string read;
  } kValues[] = {{"", true, 1, ""},
                 {"Kanal 7 (links)", true, 16, "Kanal 7 (links)"},
                 {std::string("ab\0cd", 5), false, 5, "ab"},
                 {"xyz", false, 3, "xyz"}};
  int32_t index = 0;
  for (const auto& value : kValues) {
    ++index;
    const int32_t size = static_cast<int32_t>(value.bytes.size());
    ASSERT_TRUE(value.with_set_string
                    ? settings_.SetString(&value.bytes, kSection, "Text", index)
                    : settings_.SetParam(value.bytes.data(), size, kSection, "Text", index));
    EXPECT_EQ(settings_.GetParamDataLen(kSection, "Text", index), value.stored_size) << index;
    std::string text = "previous";
    ASSERT_TRUE(settings_.GetString(&text, kSection, ("Text" + std::to_string(index)).c_str(), -1));
    EXPECT_EQ(text, value.read) << index;
  }
  std::string text = "keep me";
  EXPECT_FALSE(settings_.GetString(&text, kSection, "Absent", -1));
  EXPECT_EQ(text, "keep me");
}

TEST_F(SettingsManagerTest, RootNameInWrongCaseIsNotRecognised) {
  for (const char* root : {"hkey_current_user", "HKEY_Current_User", "HKCU", ""}) {
    InspectableSettings wrong(root, scratch_.key_path().c_str(), 0);
    EXPECT_EQ(wrong.root_key(), nullptr) << root;
    const int32_t value = 1;
    std::string text = "unchanged";
    EXPECT_FALSE(wrong.SetParam(&value, 4, kSection, "Gain", -1)) << root;
    EXPECT_FALSE(wrong.SetString(&text, kSection, "Name", -1)) << root;
    int32_t read = 0;
    EXPECT_FALSE(wrong.GetParam(&read, 4, kSection, "Gain", -1)) << root;
    EXPECT_EQ(wrong.GetParamDataLen(kSection, "Gain", -1), 0u) << root;
    EXPECT_FALSE(wrong.GetString(&text, kSection, "Name", -1)) << root;
    EXPECT_EQ(text, "unchanged");
  }
  EXPECT_FALSE(scratch_.KeyExists(scratch_.key_path()));
}

TEST_F(SettingsManagerTest, InitSettingsWithNullsChangesNothing) {
  EXPECT_TRUE(SettingsManager::InitSettings(nullptr, nullptr, 0));
  EXPECT_EQ(InspectableSettings::DefaultRoot(), saved_root_);
  EXPECT_EQ(InspectableSettings::DefaultPath(), saved_path_);
  EXPECT_TRUE(SettingsManager::InitSettings(nullptr, "Software\\Elsewhere", 0));
  EXPECT_EQ(InspectableSettings::DefaultRoot(), saved_root_);
  EXPECT_EQ(InspectableSettings::DefaultPath(), "Software\\Elsewhere");
}

TEST_F(SettingsManagerTest, InitSettingsWithTypeOtherThanZeroIsRefused) {
  EXPECT_FALSE(SettingsManager::InitSettings("HKEY_LOCAL_MACHINE", "Software\\X", 1));
  EXPECT_FALSE(SettingsManager::InitSettings("HKEY_LOCAL_MACHINE", "Software\\X", -1));
  EXPECT_EQ(InspectableSettings::DefaultRoot(), saved_root_);
  EXPECT_EQ(InspectableSettings::DefaultPath(), saved_path_);
  EXPECT_EQ(InspectableSettings::DefaultType(), 0);
}

TEST_F(SettingsManagerTest, NewDefaultsReachOnlyObjectsConstructedLater) {
  ASSERT_TRUE(SettingsManager::InitSettings("HKEY_CURRENT_USER", scratch_.key_path().c_str(), 0));
  InspectableSettings before;
  const InspectableSettings copy_before(before);
  ASSERT_TRUE(SettingsManager::InitSettings("hkey_users", "Software\\New", 0));
  InspectableSettings after;
  InspectableSettings assigned("HKEY_USERS", "x", 0);
  assigned = before;

  const InspectableSettings* olds[] = {&before, &copy_before, &assigned};
  for (const InspectableSettings* old : olds) {
    EXPECT_EQ(old->root(), "HKEY_CURRENT_USER");
    EXPECT_EQ(old->path(), scratch_.key_path());
    EXPECT_EQ(old->root_key(), before.root_key());
  }
  EXPECT_EQ(after.root(), "hkey_users");
  EXPECT_EQ(after.path(), "Software\\New");
  EXPECT_EQ(after.root_key(), nullptr);

  // The copy still works where the original object worked.
  const int32_t value = 5;
  InspectableSettings copy_of_copy(copy_before);
  EXPECT_TRUE(copy_of_copy.SetParam(&value, 4, kSection, "Gain", -1));
  EXPECT_TRUE(scratch_.KeyExists(SectionPath(kSection)));
}

TEST_F(SettingsManagerTest, StorageTypeOtherThanZeroThrowsBadAlloc) {
  try {
    SettingsManager rejected("HKEY_CURRENT_USER", "Software", 1);
    FAIL() << "no exception";
  } catch (const VemInvalidStorageType& error) {
    EXPECT_STREQ(error.what(), "Invalid storage types");
  }
  EXPECT_THROW(SettingsManager("HKEY_CURRENT_USER", "Software", -5), std::bad_alloc);
  try {
    SettingsManager rejected("HKEY_CURRENT_USER", "Software", 2);
    FAIL() << "no exception";
  } catch (const std::exception& error) {
    EXPECT_STREQ(error.what(), "Invalid storage types");
  }
  // The default constructor takes s_type and checks it the same way.
  InspectableSettings::DefaultType() = 7;
  EXPECT_THROW(SettingsManager(), std::bad_alloc);
}

TEST_F(SettingsManagerTest, BadArgumentsFailWithoutTouchingTheRegistry) {
  int32_t value = 3;
  EXPECT_FALSE(settings_.SetParam(&value, 4, kSection, nullptr, -1));
  EXPECT_FALSE(settings_.SetParam(&value, -1, kSection, "Gain", -1));
  EXPECT_FALSE(settings_.SetParam(nullptr, 4, kSection, "Gain", -1));
  EXPECT_FALSE(settings_.SetString(nullptr, kSection, "Gain", -1));
  EXPECT_FALSE(scratch_.KeyExists(scratch_.key_path()));
  ASSERT_TRUE(settings_.SetParam(&value, 4, kSection, "Gain", -1));
  EXPECT_FALSE(settings_.GetParam(&value, 4, kSection, nullptr, -1));
  EXPECT_FALSE(settings_.GetParam(&value, -4, kSection, "Gain", -1));
  EXPECT_EQ(settings_.GetParamDataLen(kSection, nullptr, -1), 0u);
  EXPECT_FALSE(settings_.GetString(nullptr, kSection, "Gain", -1));
  SettingsManager null_root(nullptr, nullptr, 0);
  EXPECT_FALSE(null_root.SetParam(&value, 4, kSection, "Gain", -1));
}

TEST_F(SettingsManagerTest, ObjectsOnDifferentThreadsWorkAtOnce) {
  constexpr int kThreads = 4;
  constexpr int kValuesPerThread = 100;
  std::vector<std::thread> threads;
  std::vector<int> failures(kThreads, 0);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      SettingsManager own("HKEY_CURRENT_USER", scratch_.key_path().c_str(), 0);
      const std::string section = "Thread" + std::to_string(t);
      for (int i = 0; i < kValuesPerThread; ++i) {
        const int32_t value = t * 1000 + i;
        int32_t read = -1;
        failures[t] += !own.SetParam(&value, 4, section.c_str(), "V", i);
        failures[t] += !own.GetParam(&read, 4, section.c_str(), "V", i) || read != value;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;
  int32_t read = -1;
  ASSERT_TRUE(settings_.GetParam(&read, 4, "Thread3", "V", 99));
  EXPECT_EQ(read, 3099);
}

}  // namespace
