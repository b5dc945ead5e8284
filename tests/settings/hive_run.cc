// The registry hive against a model of the registry: keys by path, each with
// its first spelling, id and values. Names are words of letters whose
// spellings the registry takes for one letter; the model compares words, not
// text, so it knows nothing of case mapping. The stream creates, opens and
// deletes keys (paths with empty levels, a leading backslash, names at and
// beyond the limits), sets, reads and deletes values, groups writes in
// transactions kept or undone, and reads and writes through the registry
// calls and SettingsManager, which spell every name anew.
#include <stdlib.h>

#include <algorithm>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "VemSettings.h"
#include "settings/hive.h"
#include "settings/registry.h"
#include "tests/models/op_stream.h"
#include "tests/support/temp_folder.h"

namespace vem_test {
namespace {

// Beyond ASCII: case pairs, and variants that stay apart because their case
// mapping is not one-to-one (final sigma, micro sign, title-case dz, dotless
// i, Kelvin sign, capital sharp s), letters beyond the BMP, non-UTF-8 bytes.
const std::vector<std::vector<std::string>> kLetters = {
    {"a", "A"}, {"ä", "Ä"}, {"σ", "Σ"}, {"ς"},      {"μ", "Μ"}, {"µ"}, {"ǆ", "Ǆ"}, {"ǅ"},    {"ß"},   {"ẞ"},
    {"ı"},      {"i", "I"}, {"k", "K"}, {"\u212A"}, {"ÿ", "Ÿ"}, {"𐐨"}, {"𐐀"},      {"\xFF"}, {"\xFE"}};
const std::vector<std::vector<int>> kWords = {{0},     {1, 2},   {3},     {2},      {4, 5}, {6, 7, 8},
                                              {9, 11}, {10, 12}, {13, 0}, {14, 15}, {16},   {17, 18}};
const int kWordCount = static_cast<int>(kWords.size());
const uint32_t kTypes[] = {vem::kRegBinary, vem::kRegNone, vem::kRegDword, 0x12345};

typedef std::vector<std::string> Path;  // word keys, one per level

struct ModelKey {
  std::string name;  // the first spelling
  vem::HiveKeyId id = 0;
  std::map<std::string, vem::HiveValue> values;  // by word key
};

class HiveRun {
 public:
  explicit HiveRun(OpStream& in) : in_(in) {
    static int runs = 0;
    static const TempFolder folder;  // the runs' own hive, never the user's
    setenv("VEMMISC_REGISTRY_DIR", folder.path().c_str(), 1);
    hive_ = vem::Hive::Get(vem::RegistryRoot::kCurrentUser);
    base_ = "Run" + std::to_string(++runs);
    MODEL_CHECK(hive_ != nullptr && hive_->CreateKey(vem::kHiveRootKey, base_, &keys_[Path()].id));
  }

  void Run() {
    while (in_.More()) Step(true);
    for (const auto& [path, key] : keys_) Check(path, key);
  }

 private:
  vem::HiveKeyId base() { return keys_[Path()].id; }

  // A word in a fresh spelling (*key names it), or now and then a name of
  // `most` letters or one more (its *key empty: the hive refuses it).
  std::string Name(size_t most, std::string* key) {
    const int pick = in_.Range(0, 2 * kWordCount + 1);
    if (pick >= 2 * kWordCount) {
      *key = pick == 2 * kWordCount ? std::string(most, 'z') : "";
      return std::string(most + (pick - 2 * kWordCount), 'z');
    }
    std::string text;
    for (int letter : kWords[pick % kWordCount]) {
      text += kLetters[letter][in_.Range(0, static_cast<int32_t>(kLetters[letter].size()) - 1)];
    }
    *key = std::to_string(pick % kWordCount);
    return text;
  }

  // A path of one or two levels, sometimes with empty levels or a leading
  // backslash; *valid is false for what the hive must refuse.
  std::string PathText(Path* path, std::vector<std::string>* levels, bool* valid) {
    std::string text = in_.Range(0, 20) == 0 ? "\\" : "";
    *valid = text.empty();
    for (int n = in_.Range(1, 2); n > 0; --n) {
      path->emplace_back();
      levels->push_back(Name(vem::kMaxKeyNameLength, &path->back()));
      *valid = *valid && !path->back().empty();
      text += levels->back() + (in_.Range(0, 5) == 0 ? "\\\\" : "\\");
    }
    if (in_.Bool()) text.pop_back();
    return text;
  }

  std::string Spelled(const Path& path) {
    std::string text;
    for (size_t i = 1; i <= path.size(); ++i) text += keys_[Path(path.begin(), path.begin() + i)].name + "\\";
    return text;
  }

  Path SomeKey() {
    auto it = keys_.begin();
    std::advance(it, in_.Range(0, static_cast<int32_t>(keys_.size()) - 1));
    return it->first;
  }

  // The levels of `path` that the model lacks, made with the spelling given
  // and ids never used before.
  void AddKeys(const Path& path, const std::vector<std::string>& levels) {
    for (size_t i = 1; i <= path.size(); ++i) {
      const Path prefix(path.begin(), path.begin() + i);
      ModelKey& key = keys_[prefix];
      if (key.id != 0) continue;
      key.name = levels[i - 1];
      MODEL_CHECK(hive_->OpenKey(base(), Spelled(prefix), &key.id) && key.id > highest_);
      highest_ = key.id;
    }
  }

  // A replaced value keeps the spelling of its first name.
  void Store(ModelKey& key, const std::string& word, const std::string& name, uint32_t type,
             const std::vector<uint8_t>& data) {
    vem::HiveValue& value = key.values.emplace(word, vem::HiveValue{name, type, {}}).first->second;
    value.type = type;
    value.data = data;
  }

  void KeyOp(bool create) {
    Path path;
    std::vector<std::string> levels;
    bool valid;
    const std::string text = PathText(&path, &levels, &valid);
    vem::HiveKeyId id = -1;
    const bool done = create ? hive_->CreateKey(base(), text, &id) : hive_->OpenKey(base(), text, &id);
    MODEL_CHECK(done == (valid && (create || keys_.count(path) > 0)));
    if (!done) return;
    AddKeys(path, levels);
    MODEL_CHECK(id == keys_[path].id);
  }

  void ValueOp() {
    ModelKey& key = keys_[SomeKey()];
    std::string word = "default";  // the key's default value has the empty name
    const std::string name = in_.Range(0, 8) == 0 ? "" : Name(vem::kMaxValueNameLength, &word);
    const auto found = key.values.find(word);
    uint32_t type = in_.Pick(kTypes);
    const std::string bytes = in_.Bytes(24);
    std::vector<uint8_t> data(bytes.begin(), bytes.end());
    switch (in_.Range(0, 3)) {
      case 0:
        MODEL_CHECK(hive_->DeleteValue(key.id, name) == (found != key.values.end()));
        if (found != key.values.end()) key.values.erase(found);
        break;
      case 1:
        MODEL_CHECK(hive_->QueryValue(key.id, name, &type, &data) == (found != key.values.end()));
        MODEL_CHECK(found == key.values.end() || (type == found->second.type && data == found->second.data));
        break;
      default:
        MODEL_CHECK(hive_->SetValue(key.id, name, type, data.data(), data.size()) == !word.empty());
        if (!word.empty()) Store(key, word, name, type, data);
    }
  }

  void DeleteKey() {
    const Path path = SomeKey();
    if (path.empty()) return MODEL_CHECK(!hive_->DeleteKey(vem::kHiveRootKey));
    const vem::HiveKeyId id = keys_[path].id;
    MODEL_CHECK(hive_->DeleteKey(id) && !hive_->KeyExists(id));
    for (auto it = keys_.begin(); it != keys_.end();) {
      const bool below = it->first.size() >= path.size() && std::equal(path.begin(), path.end(), it->first.begin());
      it = below ? keys_.erase(it) : std::next(it);
    }
  }

  // Up to four steps in one transaction, kept or undone.
  void Transaction() {
    const auto before = std::make_tuple(keys_, highest_);
    {
      vem::Hive::Transaction transaction(*hive_);
      MODEL_CHECK(transaction.started());
      for (int n = in_.Range(1, 4); n > 0; --n) Step(false);
      if (in_.Bool()) return MODEL_CHECK(transaction.Commit());
    }
    std::tie(keys_, highest_) = before;
  }

  // SettingsManager below the base key, the path given as its section; and
  // the registry calls on a handle opened below the base key's handle.
  void Settings() {
    Path path;
    std::vector<std::string> levels;
    bool valid;
    const std::string section = PathText(&path, &levels, &valid);
    std::string word;
    const std::string name = Name(vem::kMaxValueNameLength, &word);
    const int32_t index = in_.Bool() ? -1 : in_.Range(0, 12);
    const std::string stored_name = index == -1 ? name : name + std::to_string(index);
    const bool named = !word.empty() && stored_name.size() <= vem::kMaxValueNameLength;
    const std::string value_key = index == -1 ? word : word + "#" + std::to_string(index);
    const auto key = keys_.find(path);
    const vem::HiveValue* found = nullptr;
    if (valid && named && key != keys_.end() && key->second.values.count(value_key) > 0) {
      found = &key->second.values[value_key];
    }
    SettingsManager settings("HKEY_CURRENT_USER", base_.c_str(), 0);
    std::vector<uint8_t> data(static_cast<size_t>(in_.Range(0, 20)), 0x5A);
    switch (in_.Range(0, 2)) {
      case 0: {
        // A write with a value name beyond the limit fails but leaves the section
        // key it made; the model does not know that, so it writes no such name.
        if (!named) return;
        const std::string text = in_.Bytes(12);
        const bool as_text = in_.Bool();
        MODEL_CHECK((as_text ? settings.SetString(&text, section.c_str(), name.c_str(), index)
                             : settings.SetParam(text.data(), static_cast<int32_t>(text.size()), section.c_str(),
                                                 name.c_str(), index)) == valid);
        if (!valid) return;
        AddKeys(path, levels);
        data.assign(text.begin(), text.end());
        if (as_text) data.push_back(0);
        return Store(keys_[path], value_key, stored_name, vem::kRegBinary, data);
      }
      case 1: {
        VemRegKey base_key, opened;
        uint32_t size = 0;
        MODEL_CHECK(vem::OpenRegistryKey(vem::PredefinedRegistryKey(vem::RegistryRoot::kCurrentUser), base_.c_str(),
                                         &base_key));
        const bool exists = vem::OpenRegistryKey(base_key, section.c_str(), &opened);
        MODEL_CHECK(exists == (valid && key != keys_.end()) && vem::CloseRegistryKey(base_key));
        if (!exists) return;
        MODEL_CHECK(vem::QueryRegistryValue(opened, stored_name.c_str(), nullptr, &size) == (found != nullptr));
        MODEL_CHECK(size == (found != nullptr ? found->data.size() : 0) && vem::CloseRegistryKey(opened));
        return MODEL_CHECK(!vem::CloseRegistryKey(opened));
      }
      default: {
        std::string text = "unread";
        const size_t size = found != nullptr ? found->data.size() : 0;
        MODEL_CHECK(settings.GetParamDataLen(section.c_str(), name.c_str(), index) == size);
        MODEL_CHECK(settings.GetParam(data.data(), static_cast<int32_t>(data.size()), section.c_str(), name.c_str(),
                                      index) == (found != nullptr && size <= data.size()));
        MODEL_CHECK(found == nullptr || size > data.size() ||
                    std::equal(data.begin(), data.begin() + size, found->data.begin()));
        MODEL_CHECK(settings.GetString(&text, section.c_str(), name.c_str(), index) == (found != nullptr));
        MODEL_CHECK(text == (found != nullptr ? std::string(found->data.begin(),
                                                            std::find(found->data.begin(), found->data.end(), 0))
                                              : "unread"));
      }
    }
  }

  void Step(bool outer) {
    const int pick = in_.Range(0, outer ? 9 : 6);
    if (pick < 3) return KeyOp(pick < 2);
    if (pick < 6) return ValueOp();
    if (pick == 6) return DeleteKey();
    return pick == 7 ? Transaction() : Settings();
  }

  // The key's id and name, its sub-keys and its values.
  void Check(const Path& path, const ModelKey& key) {
    vem::HiveKeyId id;
    std::string name;
    MODEL_CHECK(hive_->OpenKey(base(), Spelled(path), &id) && id == key.id);
    MODEL_CHECK(hive_->KeyName(id, &name) && (path.empty() || name == key.name));
    std::vector<std::pair<vem::HiveKeyId, std::string>> sub_keys, expected;
    for (const auto& [other, sub_key] : keys_) {
      if (other.size() == path.size() + 1 && std::equal(path.begin(), path.end(), other.begin())) {
        expected.emplace_back(sub_key.id, sub_key.name);
      }
    }
    MODEL_CHECK(hive_->ListSubKeys(id, &sub_keys));
    std::sort(sub_keys.begin(), sub_keys.end());
    std::sort(expected.begin(), expected.end());
    MODEL_CHECK(sub_keys == expected);
    std::vector<vem::HiveValue> values;
    MODEL_CHECK(hive_->ListValues(id, &values) && values.size() == key.values.size());
    for (const vem::HiveValue& value : values) {
      MODEL_CHECK(std::any_of(key.values.begin(), key.values.end(), [&](const auto& entry) {
        return entry.second.name == value.name && entry.second.type == value.type && entry.second.data == value.data;
      }));
    }
  }

  OpStream& in_;
  std::shared_ptr<vem::Hive> hive_;
  std::string base_;
  std::map<Path, ModelKey> keys_{{Path(), ModelKey()}};
  vem::HiveKeyId highest_ = 0;
};

}  // namespace

void RunHive(OpStream& in) { HiveRun(in).Run(); }

}  // namespace vem_test
