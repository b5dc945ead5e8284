// The registry hive against a model of the registry: the keys below a base
// key, each with its first spelling, id and values. Names are words of
// letters whose spellings the registry takes for one letter; the model
// compares words, not text, so it knows nothing of case mapping. The stream
// creates and opens keys and writes and deletes values of any type,
// every name in a fresh spelling, now and then one at or beyond its limit.
// Each run ends with a check of every key against the model, and the keys'
// depth limit.
#include <stdlib.h>

#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

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

struct ModelKey {
  std::string name;  // the first spelling
  vem::HiveKeyId id = 0;
  std::map<std::string, vem::HiveValue> values;  // by word
};

class HiveRun {
 public:
  explicit HiveRun(OpStream& in) : in_(in) {
    static int runs = 0;
    static const TempFolder folder;  // the runs' own hive, never the user's
    setenv("VEMMISC_REGISTRY_DIR", folder.path().c_str(), 1);
    hive_ = vem::Hive::Get(vem::RegistryRoot::kCurrentUser);
    MODEL_CHECK(hive_ != nullptr && hive_->CreateKey(vem::kHiveRootKey, "Run" + std::to_string(++runs), &base_.id));
  }

  void Run() {
    while (in_.More()) Step();
    // The sub-keys of the base key, and the values of each key.
    std::vector<std::pair<vem::HiveKeyId, std::string>> sub_keys;
    std::set<std::pair<vem::HiveKeyId, std::string>> expected;
    for (const auto& [word, key] : keys_) expected.emplace(key.id, key.name);
    MODEL_CHECK(hive_->ListSubKeys(base_.id, &sub_keys) && std::set(sub_keys.begin(), sub_keys.end()) == expected);
    keys_["base"] = base_;
    for (const auto& [word, key] : keys_) {
      std::vector<vem::HiveValue> values;
      std::set<std::tuple<std::string, uint32_t, std::vector<uint8_t>>> listed, stored;
      MODEL_CHECK(hive_->ListValues(key.id, &values));
      for (const vem::HiveValue& value : values) listed.emplace(value.name, value.type, value.data);
      for (const auto& [value_word, value] : key.values) stored.emplace(value.name, value.type, value.data);
      MODEL_CHECK(listed == stored && values.size() == stored.size());
    }
    // The base key lies one level below the root: "d" 510 levels below it
    // is as deep as a key may be, so a level more is refused, and with it
    // the level above that would have been made too.
    std::string deep = "d";
    for (int level = 2; level < vem::kMaxKeyDepth - 1; ++level) deep += "\\d";
    vem::HiveKeyId id, made;
    MODEL_CHECK(hive_->CreateKey(base_.id, deep, &id) && !hive_->CreateKey(id, "d\\d", &made));
    MODEL_CHECK(!hive_->OpenKey(id, "d", &made) && hive_->CreateKey(id, "d", &made) && hive_->DeleteKey(id));
  }

 private:
  // A word in a fresh spelling (*word names it), or now and then a name of
  // `most` letters or one more (*word empty: the hive refuses it).
  std::string Name(size_t most, std::string* word) {
    const int pick = in_.Range(0, 2 * kWordCount + 1);
    if (pick >= 2 * kWordCount) {
      *word = pick == 2 * kWordCount ? std::string(most, 'z') : "";
      return std::string(most + (pick - 2 * kWordCount), 'z');
    }
    std::string text;
    for (int letter : kWords[pick % kWordCount]) text += kLetters[letter][in_.Range(0, 3) % kLetters[letter].size()];
    *word = std::to_string(pick % kWordCount);
    return text;
  }

  // A key is made once, keeps its first spelling and its id.
  void Step() {
    std::string word;
    const std::string name = Name(vem::kMaxKeyNameLength, &word);
    const auto found = keys_.find(word);
    const bool exists = found != keys_.end();
    vem::HiveKeyId id = -1;
    switch (in_.Range(0, 3)) {
      case 0:
        MODEL_CHECK(hive_->CreateKey(base_.id, name, &id) == !word.empty());
        if (!word.empty() && !exists) keys_[word] = {name, id, {}};
        return MODEL_CHECK(word.empty() || id == keys_[word].id);
      case 1: return MODEL_CHECK(hive_->OpenKey(base_.id, name, &id) == exists && (!exists || id == found->second.id));
      default: return ValueOp(exists ? found->second : base_);
    }
  }

  // Writes or deletes a value; the empty name is the key's default value.
  void ValueOp(ModelKey& key) {
    std::string word = "default";
    const std::string name = in_.Range(0, 8) == 0 ? "" : Name(vem::kMaxValueNameLength, &word);
    if (in_.Bool()) return MODEL_CHECK(hive_->DeleteValue(key.id, name) == (key.values.erase(word) == 1));
    const uint32_t type = in_.Bits32();
    const std::string data = in_.Bytes(24);
    MODEL_CHECK(hive_->SetValue(key.id, name, type, data.data(), data.size()) == !word.empty());
    if (word.empty()) return;
    // A replaced value keeps the spelling of its first name.
    const auto [it, added] = key.values.emplace(word, vem::HiveValue{name, type, {data.begin(), data.end()}});
    if (!added) it->second = {it->second.name, type, {data.begin(), data.end()}};
  }

  OpStream& in_;
  std::shared_ptr<vem::Hive> hive_;
  ModelKey base_;
  std::map<std::string, ModelKey> keys_;  // below the base key, by word
};

}  // namespace

void RunHive(OpStream& in) { HiveRun(in).Run(); }

}  // namespace vem_test
