// The hive against a model of the registry (a map from paths of comparison
// keys to keys with their values), driven by seeded random operations: key
// and value names in many letter cases, empty path levels, names at the
// limits, transactions kept or undone, SettingsManager's reads and writes,
// and reopening the hive while a key handle stays open.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "VemSettings.h"
#include "settings/hive.h"
#include "settings/registry.h"
#include "tests/support/temp_folder.h"
#include "text/name_case.h"
#include "text/utf16_text.h"

namespace {

using vem::Hive;
using vem::HiveKeyId;
using vem::HiveValue;

typedef std::vector<std::string> Path;  // comparison keys, one per level

struct ModelKey {
  std::string name;  // as first created
  HiveKeyId id = 0;
  std::map<std::string, HiveValue> values;  // by comparison key
};

struct Model {
  std::map<Path, ModelKey> keys{{Path(), ModelKey()}};
  HiveKeyId highest_id = 0;
};

// A write keeps the name's first spelling.
void Store(ModelKey* key, const std::string& name, uint32_t type, const std::vector<uint8_t>& data) {
  HiveValue& stored = key->values.emplace(vem::NameKey(name), HiveValue{name, type, data}).first->second;
  stored.type = type;
  stored.data = data;
}

size_t Units(const std::string& text) { return vem::Utf8ToUtf16Le(text.data(), text.size()).size() / 2; }

class HiveModelRun {
 public:
  explicit HiveModelRun(uint32_t seed) : random_(seed), dir_(dirFolder_.path()), other_(otherFolder_.path()) {
    setenv("VEMMISC_REGISTRY_DIR", dir_.c_str(), 1);
    hive_ = Hive::Get(vem::RegistryRoot::kCurrentUser);
  }
  ~HiveModelRun() {
    hive_.reset();
    unsetenv("VEMMISC_REGISTRY_DIR");
    Hive::Get(vem::RegistryRoot::kCurrentUser);  // lets the connection go
  }

  void Run(int operations) {
    ASSERT_NE(hive_, nullptr);
    for (int i = 0; i < operations && !testing::Test::HasFailure(); ++i) Step(true);
    CheckAll();
  }

 private:
  size_t Below(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random_); }

  // A name from a small pool in a fresh spelling, now and then one at or
  // beyond the limit of `most` UTF-16 units.
  std::string Name(size_t most) {
    static const std::vector<std::vector<const char*>> kLetters = {{"a", "A"},
                                                                   {"\xC3\xA4", "\xC3\x84"},
                                                                   {"\xCF\x83", "\xCE\xA3"},
                                                                   {"\xD0\xB6", "\xD0\x96"},
                                                                   {"\xC3\x9F"},
                                                                   {"S", "s"},
                                                                   {"\xFF"},
                                                                   {"\xF0\x9F\x98\x80"},
                                                                   {"_"}};
    switch (Below(60)) {
      case 0: return std::string(most, 'k');
      case 1: return std::string(most + 1, 'k');
      case 2: return "\xF0\x9F\x98\x80" + std::string(most - 1, 'x');
      default: break;
    }
    std::mt19937 pick(static_cast<uint32_t>(Below(7)));  // one of seven names
    std::string name;
    for (size_t n = 1 + pick() % 3; n > 0; --n) {
      const std::vector<const char*>& spellings = kLetters[pick() % kLetters.size()];
      name += spellings[Below(spellings.size())];
    }
    return name;
  }

  // A spelled path of one to three levels, its levels' spellings and their
  // comparison keys; `valid` is false for what the hive must refuse.
  std::string PathText(std::vector<std::string>* levels, Path* path, bool* valid) {
    std::string text = Below(30) == 0 ? "\\" : "";
    *valid = text.empty();
    levels->clear();
    path->clear();
    for (size_t n = 1 + Below(3); n > 0; --n) {
      levels->push_back(Name(vem::kMaxKeyNameLength));
      *valid = *valid && Units(levels->back()) <= vem::kMaxKeyNameLength;
      path->push_back(vem::NameKey(levels->back()));
      text += levels->back() + (Below(6) == 0 ? "\\\\" : "\\");
    }
    if (Below(2) == 0) text.pop_back();
    return text;
  }

  // The spelling of a model key's path as it was created.
  std::string Spelled(const Path& path) {
    std::string text;
    for (size_t i = 1; i <= path.size(); ++i) {
      text += (i > 1 ? "\\" : "") + model_.keys[Path(path.begin(), path.begin() + i)].name;
    }
    return text;
  }

  const Path& SomeKey() {
    auto it = model_.keys.begin();
    std::advance(it, Below(model_.keys.size()));
    return it->first;
  }

  HiveValue SomeValue(size_t most_data) {
    static const uint32_t kTypes[] = {vem::kRegBinary, vem::kRegNone, vem::kRegDword, vem::kRegSz, 0x12345};
    HiveValue value{Name(vem::kMaxValueNameLength), kTypes[Below(5)], {}};
    if (Below(8) == 0) value.name.clear();  // the default value
    for (size_t n = Below(most_data + 1); n > 0; --n) value.data.push_back(static_cast<uint8_t>(Below(256)));
    if (value.type == vem::kRegSz) value.data = vem::Utf8ToUtf16Le("t\xC3\xA4\0", 4);
    return value;
  }

  // Creates or opens a key: creating makes each missing level with a new
  // id and the spelling given; opening finds only what exists.
  void PathOp(bool create) {
    std::vector<std::string> levels;
    Path path;
    bool valid;
    const std::string text = PathText(&levels, &path, &valid);
    HiveKeyId id = -1;
    const bool found = valid && (create || model_.keys.count(path) > 0);
    ASSERT_EQ(create ? hive_->CreateKey(vem::kHiveRootKey, text, &id) : hive_->OpenKey(vem::kHiveRootKey, text, &id),
              found)
        << text;
    for (size_t i = 1; found && i <= path.size(); ++i) {
      ModelKey& key = model_.keys[Path(path.begin(), path.begin() + i)];
      if (key.id != 0) continue;
      key.name = levels[i - 1];
      ASSERT_TRUE(hive_->OpenKey(vem::kHiveRootKey, Spelled(Path(path.begin(), path.begin() + i)), &key.id));
      EXPECT_GT(key.id, model_.highest_id);  // ids grow and are never reused
      model_.highest_id = key.id;
    }
    if (found) {
      EXPECT_EQ(id, model_.keys[path].id) << text;
    }
  }

  void ChangeValue() {
    ModelKey& key = model_.keys[SomeKey()];
    const HiveValue value = SomeValue(40);
    const std::string name_key = vem::NameKey(value.name);
    std::vector<uint8_t> data;
    uint32_t type;
    switch (Below(4)) {
      case 0: ASSERT_EQ(hive_->DeleteValue(key.id, value.name), key.values.erase(name_key) > 0) << value.name; break;
      case 1:
        ASSERT_EQ(hive_->QueryValue(key.id, value.name, &type, &data), key.values.count(name_key) > 0);
        if (key.values.count(name_key)) {
          EXPECT_EQ(data, key.values[name_key].data);
        }
        break;
      default: {
        const bool valid = Units(value.name) <= vem::kMaxValueNameLength;
        ASSERT_EQ(hive_->SetValue(key.id, value.name, value.type, value.data.data(), value.data.size()), valid);
        if (!valid) break;
        Store(&key, value.name, value.type, value.data);
      }
    }
  }

  void DeleteKey() {
    const Path path = SomeKey();
    ASSERT_EQ(hive_->DeleteKey(model_.keys[path].id), !path.empty());
    for (auto it = model_.keys.begin(); it != model_.keys.end() && !path.empty();) {
      const bool below = it->first.size() >= path.size() && std::equal(path.begin(), path.end(), it->first.begin());
      it = below ? model_.keys.erase(it) : std::next(it);
    }
  }

  // SettingsManager below the first level of a model key, with the section
  // as the second: the value name ends in the index, the type is binary, text
  // values are read as narrow text.
  void Settings() {
    const Path& path = SomeKey();
    if (path.size() < 2) return;
    const Path parent(path.begin(), path.begin() + 1);
    SettingsManager settings("HKEY_CURRENT_USER", Spelled(parent).c_str(), 0);
    const std::string section = model_.keys[Path(path.begin(), path.begin() + 2)].name;
    HiveValue value = SomeValue(12);
    const int32_t index = Below(3) == 0 ? static_cast<int32_t>(Below(21)) - 10 : -1;
    const std::string name = value.name + (index == -1 ? "" : std::to_string(index));
    ModelKey& key = model_.keys[Path(path.begin(), path.begin() + 2)];
    const auto found = key.values.find(vem::NameKey(name));
    std::vector<uint8_t> expected;
    if (found != key.values.end()) {
      expected = found->second.data;
      if (vem::IsTextValueType(found->second.type)) {
        const std::string text = vem::Utf16LeToUtf8(expected.data(), expected.size());
        expected.assign(text.begin(), text.end());
      }
    }
    const int32_t capacity = static_cast<int32_t>(Below(16));
    std::vector<uint8_t> buffer(static_cast<size_t>(capacity));
    std::string text = "unread";
    switch (Below(5)) {
      case 0: ASSERT_EQ(settings.GetParamDataLen(section.c_str(), value.name.c_str(), index), expected.size()); break;
      case 1:
        ASSERT_EQ(settings.GetParam(buffer.data(), capacity, section.c_str(), value.name.c_str(), index),
                  found != key.values.end() && expected.size() <= buffer.size())
            << name;
        if (expected.size() <= buffer.size()) {
          EXPECT_TRUE(std::equal(expected.begin(), expected.end(), buffer.begin()));
        }
        break;
      case 2:
        ASSERT_EQ(settings.GetString(&text, section.c_str(), value.name.c_str(), index), found != key.values.end());
        expected.push_back(0);
        if (found != key.values.end()) {
          EXPECT_EQ(text, reinterpret_cast<const char*>(expected.data()));
        }
        break;
      default:
        if (Units(name) > vem::kMaxValueNameLength) {
          ASSERT_FALSE(settings.SetParam("x", 1, section.c_str(), value.name.c_str(), index));
          break;
        }
        if (Below(2) == 0) {
          text.assign(value.data.begin(), value.data.end());
          text = text.substr(0, text.find('\0'));
          value.data.assign(text.c_str(), text.c_str() + text.size() + 1);
          ASSERT_TRUE(settings.SetString(&text, section.c_str(), value.name.c_str(), index));
        } else {
          ASSERT_TRUE(settings.SetParam(value.data.data(), static_cast<int32_t>(value.data.size()), section.c_str(),
                                        value.name.c_str(), index));
        }
        Store(&key, name, vem::kRegBinary, value.data);
    }
  }

  // Connections go when the hive's location changes; a handle opened before
  // keeps writing to its own hive meanwhile.
  void Reopen() {
    const Path& path = SomeKey();
    VemRegKey handle;
    ASSERT_TRUE(vem::OpenRegistryKey(vem::PredefinedRegistryKey(vem::RegistryRoot::kCurrentUser), Spelled(path).c_str(),
                                     &handle));
    hive_.reset();
    setenv("VEMMISC_REGISTRY_DIR", other_.c_str(), 1);
    const HiveValue value = SomeValue(8);
    if (Units(value.name) <= vem::kMaxValueNameLength) {
      ASSERT_TRUE(vem::SetRegistryValue(handle, value.name.c_str(), vem::kRegBinary, value.data.data(),
                                        static_cast<uint32_t>(value.data.size())));
      Store(&model_.keys[path], value.name, vem::kRegBinary, value.data);
    }
    std::vector<std::pair<HiveKeyId, std::string>> elsewhere;
    ASSERT_TRUE(Hive::Get(vem::RegistryRoot::kCurrentUser)->ListSubKeys(vem::kHiveRootKey, &elsewhere));
    EXPECT_TRUE(elsewhere.empty());
    setenv("VEMMISC_REGISTRY_DIR", dir_.c_str(), 1);
    hive_ = Hive::Get(vem::RegistryRoot::kCurrentUser);
    EXPECT_TRUE(vem::CloseRegistryKey(handle));
    EXPECT_FALSE(vem::CloseRegistryKey(handle));
    CheckAll();
  }

  // Up to five operations in one transaction, kept or undone.
  void Transaction() {
    const Model before = model_;
    Hive::Transaction transaction(*hive_);
    ASSERT_TRUE(transaction.started());
    for (size_t n = 1 + Below(5); n > 0; --n) Step(false);
    if (Below(2) == 0) {
      ASSERT_TRUE(transaction.Commit());
    } else {
      model_ = before;
    }
  }

  void Step(bool outer) {
    const size_t pick = Below(outer ? 40 : 36);
    if (pick == 0) return DeleteKey();
    if (pick < 11) return PathOp(pick < 7);
    if (pick < 26) return ChangeValue();
    if (pick < 36) return Settings();
    if (pick < 38) return Transaction();
    Reopen();
  }

  // Every key's name, id, sub-keys and values, in the hive's order.
  void CheckAll() {
    for (const auto& [path, key] : model_.keys) {
      HiveKeyId id;
      ASSERT_TRUE(hive_->OpenKey(vem::kHiveRootKey, Spelled(path), &id)) << Spelled(path);
      EXPECT_EQ(id, key.id);
      std::string name;
      EXPECT_TRUE(hive_->KeyName(id, &name) && name == key.name) << name;
      std::vector<std::pair<HiveKeyId, std::string>> sub_keys, expected_keys;
      for (const auto& [other, sub_key] : model_.keys) {
        if (other.size() == path.size() + 1 && std::equal(path.begin(), path.end(), other.begin())) {
          expected_keys.emplace_back(sub_key.id, sub_key.name);
        }
      }
      ASSERT_TRUE(hive_->ListSubKeys(id, &sub_keys));
      EXPECT_EQ(sub_keys, expected_keys) << Spelled(path);
      std::vector<HiveValue> values;
      ASSERT_TRUE(hive_->ListValues(id, &values));
      ASSERT_EQ(values.size(), key.values.size()) << Spelled(path);
      auto expected = key.values.begin();
      for (const HiveValue& value : values) {
        EXPECT_EQ(value.name, expected->second.name);
        EXPECT_EQ(value.type, expected->second.type) << value.name;
        EXPECT_EQ(value.data, (expected++)->second.data) << value.name;
      }
    }
  }

  std::mt19937 random_;
  const vem_test::TempFolder dirFolder_, otherFolder_;
  const std::string dir_, other_;
  std::shared_ptr<Hive> hive_;
  Model model_;
};

TEST(HiveModelTest, AgreesWithAMapUnderRandomOperations) {
  for (uint32_t seed = 1; seed <= 4 && !testing::Test::HasFailure(); ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    HiveModelRun(seed).Run(700);
  }
}

// The five roots have the handles that Windows gives them, and a hive each.
TEST(HiveModelTest, EveryRootHasItsHandleAndAHiveOfItsOwn) {
  const vem_test::TempFolder dirFolder;
  const std::string& dir = dirFolder.path();
  setenv("VEMMISC_REGISTRY_DIR", dir.c_str(), 1);
  const uintptr_t kHandles[] = {0x80000000u, 0x80000001u, 0x80000002u, 0x80000003u, 0x80000005u};
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < vem::kRegistryRootCount; ++i) {
      const vem::RegistryRoot root = static_cast<vem::RegistryRoot>(i);
      const std::string name = vem::RegistryRootName(root);
      EXPECT_EQ(reinterpret_cast<uintptr_t>(vem::PredefinedRegistryKey(root)), kHandles[i] | ~uintptr_t{0xFFFFFFFF});
      SettingsManager settings(name.c_str(), "Software", 0);
      std::string read;
      EXPECT_TRUE(pass == 0 ? settings.SetString(&name, "S", "Root", -1)
                            : settings.GetString(&read, "S", "Root", -1) && read == name)
          << name;
    }
  }
  unsetenv("VEMMISC_REGISTRY_DIR");
  vem::Hive::Get(vem::RegistryRoot::kCurrentUser);  // lets the connection go
}

}  // namespace
