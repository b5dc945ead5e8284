// The registry hive against a model of the registry: keys by path, each with
// its first spelling, id and values. Names are words of letters whose
// spellings the registry takes for one letter; the model compares words, not
// text, so it knows nothing of case mapping. The stream creates, opens and
// deletes keys (paths with empty levels, a leading backslash, names at and
// beyond the limits), sets, reads and deletes values, groups writes in
// transactions kept or undone, and reads and writes through SettingsManager,
// which spells every name anew. Each run ends with the keys' depth limit.
#include <stdlib.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "VemSettings.h"
#include "settings/hive.h"
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
typedef std::set<std::tuple<std::string, uint32_t, std::vector<uint8_t>>> ValueSet;

bool Below(const Path& path, const Path& other) {
  return other.size() >= path.size() && std::equal(path.begin(), path.end(), other.begin());
}

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
    // The base key lies one level below the root: "d" 510 levels below it
    // is as deep as a key may be, so a level more is refused, and with it
    // the level above that would have been made too.
    std::string deep = "d";
    for (int level = 2; level < vem::kMaxKeyDepth - 1; ++level) deep += "\\d";
    vem::HiveKeyId id, made;
    MODEL_CHECK(hive_->CreateKey(base(), deep, &id) && !hive_->CreateKey(id, "d\\d", &made));
    MODEL_CHECK(!hive_->OpenKey(id, "d", &made) && hive_->CreateKey(id, "d", &made) && hive_->DeleteKey(id));
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
  // backslash; not valid if the hive must refuse it.
  struct Target {
    Path path;
    std::vector<std::string> levels;  // as spelled
    std::string text;
    bool valid;
  };
  Target PathText() {
    Target to{{}, {}, in_.Range(0, 20) == 0 ? "\\" : "", true};
    to.valid = to.text.empty();
    for (int n = in_.Range(1, 2); n > 0; --n) {
      to.path.emplace_back();
      to.levels.push_back(Name(vem::kMaxKeyNameLength, &to.path.back()));
      to.valid = to.valid && !to.path.back().empty();
      to.text += to.levels.back() + (in_.Range(0, 5) == 0 ? "\\\\" : "\\");
    }
    if (in_.Bool()) to.text.pop_back();
    return to;
  }

  std::string Spelled(const Path& path) {
    std::string text;
    for (size_t i = 1; i <= path.size(); ++i) text += keys_[Path(path.begin(), path.begin() + i)].name + "\\";
    return text;
  }

  Path SomeKey() { return std::next(keys_.begin(), in_.Range(0, static_cast<int32_t>(keys_.size()) - 1))->first; }

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
  void Store(ModelKey& key, const std::string& word, const vem::HiveValue& value) {
    const auto [it, added] = key.values.emplace(word, value);
    if (!added) it->second = {it->second.name, value.type, value.data};
  }

  void KeyOp(bool create) {
    const auto [path, levels, text, valid] = PathText();
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
    const bool exists = found != key.values.end();
    uint32_t type = in_.Pick(kTypes);
    const std::string bytes = in_.Bytes(24);
    std::vector<uint8_t> data(bytes.begin(), bytes.end());
    switch (in_.Range(0, 3)) {
      case 0:
        MODEL_CHECK(hive_->DeleteValue(key.id, name) == exists);
        if (exists) key.values.erase(found);
        return;
      case 1:
        MODEL_CHECK(hive_->QueryValue(key.id, name, &type, &data) == exists);
        return MODEL_CHECK(!exists || (type == found->second.type && data == found->second.data));
      default:
        MODEL_CHECK(hive_->SetValue(key.id, name, type, data.data(), data.size()) == !word.empty());
        if (!word.empty()) Store(key, word, {name, type, data});
    }
  }

  void DeleteKey() {
    const Path path = SomeKey();
    if (path.empty()) return MODEL_CHECK(!hive_->DeleteKey(vem::kHiveRootKey));
    const vem::HiveKeyId id = keys_[path].id;
    MODEL_CHECK(hive_->DeleteKey(id) && !hive_->KeyExists(id));
    for (auto it = keys_.begin(); it != keys_.end();) it = Below(path, it->first) ? keys_.erase(it) : std::next(it);
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

  // SettingsManager below the base key, the path given as its section.
  void Settings() {
    const auto [path, levels, section, valid] = PathText();
    std::string word;
    const std::string name = Name(vem::kMaxValueNameLength, &word);
    const int32_t index = in_.Bool() ? -1 : in_.Range(0, 12);
    const std::string stored_name = index == -1 ? name : name + std::to_string(index);
    const bool named = !word.empty() && stored_name.size() <= vem::kMaxValueNameLength;
    const std::string value_key = index == -1 ? word : word + "#" + std::to_string(index);
    const auto key = keys_.find(path);
    const bool found = valid && named && key != keys_.end() && key->second.values.count(value_key) > 0;
    const std::vector<uint8_t> stored = found ? key->second.values[value_key].data : std::vector<uint8_t>();
    SettingsManager settings("HKEY_CURRENT_USER", base_.c_str(), 0);
    const std::string text = in_.Bytes(12);
    // A value name beyond the limit fails after the section's keys are made;
    // the model does not follow that, so it writes no such name.
    if (in_.Bool() && named) {
      const bool as_text = in_.Bool();
      MODEL_CHECK((as_text ? settings.SetString(&text, section.c_str(), name.c_str(), index)
                           : settings.SetParam(text.data(), static_cast<int32_t>(text.size()), section.c_str(),
                                               name.c_str(), index)) == valid);
      if (!valid) return;
      AddKeys(path, levels);
      std::vector<uint8_t> data(text.begin(), text.end());
      if (as_text) data.push_back(0);
      return Store(keys_[path], value_key, {stored_name, vem::kRegBinary, data});
    }
    std::vector<uint8_t> data(static_cast<size_t>(in_.Range(0, 20)), 0x5A);
    std::string read = "unread";
    MODEL_CHECK(settings.GetParamDataLen(section.c_str(), name.c_str(), index) == stored.size());
    MODEL_CHECK(settings.GetParam(data.data(), static_cast<int32_t>(data.size()), section.c_str(), name.c_str(),
                                  index) == (found && stored.size() <= data.size()));
    MODEL_CHECK(!found || stored.size() > data.size() || std::equal(stored.begin(), stored.end(), data.begin()));
    MODEL_CHECK(settings.GetString(&read, section.c_str(), name.c_str(), index) == found);
    MODEL_CHECK(read == (found ? std::string(stored.begin(), std::find(stored.begin(), stored.end(), 0)) : "unread"));
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
    std::vector<std::pair<vem::HiveKeyId, std::string>> sub_keys;
    std::set<std::pair<vem::HiveKeyId, std::string>> expected;
    for (const auto& [other, sub_key] : keys_) {
      if (other.size() == path.size() + 1 && Below(path, other)) expected.emplace(sub_key.id, sub_key.name);
    }
    MODEL_CHECK(hive_->ListSubKeys(id, &sub_keys) && std::set(sub_keys.begin(), sub_keys.end()) == expected);
    std::vector<vem::HiveValue> values;
    ValueSet listed, stored;
    MODEL_CHECK(hive_->ListValues(id, &values));
    for (const vem::HiveValue& value : values) listed.emplace(value.name, value.type, value.data);
    for (const auto& [word, value] : key.values) stored.emplace(value.name, value.type, value.data);
    MODEL_CHECK(listed == stored && values.size() == stored.size());
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
