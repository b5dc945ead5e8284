// A plain model of CHashtable for the property tests and the fuzzers: buckets as vectors
// of (key, value) pairs, head first, following the table's stated rules for
// bucket index, growth threshold, rehash order and enumeration order. It is
// deliberately slow and direct so that it can be checked by reading.
#ifndef VEMMISC_TESTS_MODELS_HASHTABLE_MODEL_H_
#define VEMMISC_TESTS_MODELS_HASHTABLE_MODEL_H_

#include <cstdint>
#include <utility>
#include <vector>

namespace vem_test {

class HashtableModel {
 public:
  using Entry = std::pair<int32_t, void*>;

  HashtableModel(int32_t capacity, float load_factor)
      : buckets_(static_cast<size_t>(capacity)), loadFactor_(load_factor) {}

  void* Put(int32_t key, void* value) {
    if (value == nullptr) return nullptr;
    for (Entry& e : buckets_[Bucket(key)]) {
      if (e.first == key) {
        void* old = e.second;
        e.second = value;
        return old;
      }
    }
    while (count_ >= Threshold()) Rehash();
    std::vector<Entry>& chain = buckets_[Bucket(key)];
    chain.insert(chain.begin(), Entry(key, value));
    ++count_;
    return value;
  }

  void* Get(int32_t key) const {
    for (const Entry& e : buckets_[Bucket(key)]) {
      if (e.first == key) return e.second;
    }
    return nullptr;
  }

  void* Remove(int32_t key) {
    std::vector<Entry>& chain = buckets_[Bucket(key)];
    for (size_t i = 0; i < chain.size(); ++i) {
      if (chain[i].first == key) {
        void* value = chain[i].second;
        chain.erase(chain.begin() + static_cast<ptrdiff_t>(i));
        --count_;
        return value;
      }
    }
    return nullptr;
  }

  void Clear() {
    for (std::vector<Entry>& chain : buckets_) chain.clear();
    count_ = 0;
  }

  // Every entry, highest bucket first, each chain from its head.
  std::vector<Entry> Enumerate() const {
    std::vector<Entry> order;
    for (size_t b = buckets_.size(); b-- > 0;) {
      for (const Entry& e : buckets_[b]) order.push_back(e);
    }
    return order;
  }

  // The key of the first entry in enumeration order holding value.
  bool GetKey(void* value, int32_t* key) const {
    if (value == nullptr) return false;
    for (const Entry& e : Enumerate()) {
      if (e.second == value) {
        *key = e.first;
        return true;
      }
    }
    return false;
  }

  int32_t Size() const { return count_; }
  int32_t Capacity() const { return static_cast<int32_t>(buckets_.size()); }

 private:
  size_t Bucket(int32_t key) const { return (static_cast<uint32_t>(key) & 0x7FFFFFFFu) % buckets_.size(); }

  int32_t Threshold() const { return static_cast<int32_t>(static_cast<float>(Capacity()) * loadFactor_); }

  void Rehash() {
    std::vector<std::vector<Entry>> old;
    old.swap(buckets_);
    buckets_.resize(2 * old.size() + 1);
    for (size_t b = old.size(); b-- > 0;) {
      for (const Entry& e : old[b]) {
        std::vector<Entry>& chain = buckets_[Bucket(e.first)];
        chain.insert(chain.begin(), e);
      }
    }
  }

  std::vector<std::vector<Entry>> buckets_;
  float loadFactor_;
  int32_t count_ = 0;
};

}  // namespace vem_test

#endif  // VEMMISC_TESTS_MODELS_HASHTABLE_MODEL_H_
