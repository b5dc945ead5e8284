// CHashtable's rules, written plainly: chains of (key, value) pairs, head
// first, in key & 0x7FFFFFFF modulo the bucket count; a new key first grows
// the table to 2n + 1 buckets while the count reaches n * load factor,
// relinking the entries in enumeration order at the heads of their new
// chains; enumeration walks the highest bucket first, each chain from its head.
#ifndef VEMMISC_TESTS_MODELS_HASHTABLE_MODEL_H_
#define VEMMISC_TESTS_MODELS_HASHTABLE_MODEL_H_

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace vem_test {

struct HashtableModel {
  using Entry = std::pair<int32_t, void*>;
  std::vector<std::vector<Entry>> buckets;
  float load_factor;
  int32_t count = 0;

  HashtableModel(int32_t capacity, float load) : buckets(static_cast<size_t>(capacity)), load_factor(load) {}
  std::vector<Entry>& Chain(int32_t key) {
    return buckets[(static_cast<uint32_t>(key) & 0x7FFFFFFFu) % buckets.size()];
  }
  std::vector<Entry>::iterator Find(int32_t key) {
    return std::find_if(Chain(key).begin(), Chain(key).end(), [key](const Entry& e) { return e.first == key; });
  }
  void* Get(int32_t key) { return Find(key) != Chain(key).end() ? Find(key)->second : nullptr; }
  void* Put(int32_t key, void* value) {
    if (value == nullptr) return nullptr;
    if (Find(key) != Chain(key).end()) return std::exchange(Find(key)->second, value);
    while (count >= static_cast<int32_t>(static_cast<float>(buckets.size()) * load_factor)) {
      const std::vector<Entry> entries = Enumerate();
      buckets.assign(2 * buckets.size() + 1, {});
      for (const Entry& e : entries) Chain(e.first).insert(Chain(e.first).begin(), e);
    }
    Chain(key).insert(Chain(key).begin(), Entry(key, value));
    return ++count, value;
  }
  void* Remove(int32_t key) {
    if (Find(key) == Chain(key).end()) return nullptr;
    void* value = Find(key)->second;
    Chain(key).erase(Find(key));
    return --count, value;
  }
  std::vector<Entry> Enumerate() const {
    std::vector<Entry> order;
    for (size_t b = buckets.size(); b-- > 0;) order.insert(order.end(), buckets[b].begin(), buckets[b].end());
    return order;
  }
};

}  // namespace vem_test

#endif  // VEMMISC_TESTS_MODELS_HASHTABLE_MODEL_H_
