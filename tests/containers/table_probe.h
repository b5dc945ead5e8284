// Test access to the protected state of CHashtable: the bucket count, the
// load factor and the chains as they lie in the bucket array.
#ifndef VEMMISC_TESTS_CONTAINERS_TABLE_PROBE_H_
#define VEMMISC_TESTS_CONTAINERS_TABLE_PROBE_H_

#include <cstdint>
#include <vector>

#include "VemContainers.h"

class TableProbe : public CHashtable {
 public:
  TableProbe() = default;
  explicit TableProbe(int32_t capacity) : CHashtable(capacity) {}
  TableProbe(int32_t capacity, float loadFactor)
      : CHashtable(capacity, loadFactor) {}

  int32_t Capacity() const { return m_capacity; }
  float LoadFactor() const { return m_loadFactor; }
  void ForceRehash() { Rehash(); }

  // The keys of one bucket's chain, head first.
  std::vector<int32_t> Chain(int32_t bucket) const {
    std::vector<int32_t> keys;
    for (const HashtableEntry* e = m_table[bucket]; e != nullptr; e = e->next) {
      keys.push_back(e->key);
    }
    return keys;
  }

  // Whether every entry sits in bucket (key & 0x7FFFFFFF) % capacity and the
  // chains hold exactly m_count entries.
  bool ChainsConsistent() const {
    int32_t seen = 0;
    for (int32_t i = 0; i < m_capacity; ++i) {
      for (const HashtableEntry* e = m_table[i]; e != nullptr; e = e->next) {
        const uint32_t expected =
            (static_cast<uint32_t>(e->key) & 0x7FFFFFFFu) %
            static_cast<uint32_t>(m_capacity);
        if (expected != static_cast<uint32_t>(i)) return false;
        ++seen;
      }
    }
    return seen == m_count;
  }
};

// The keys of table in enumeration order.
inline std::vector<int32_t> EnumeratedKeys(CHashtable* table) {
  std::vector<int32_t> keys;
  CHtEnumerator cursor(table);
  int32_t key = 0;
  while (cursor.NextElement(&key) != nullptr) keys.push_back(key);
  return keys;
}

// A distinct non-null value pointer for each small integer, never
// dereferenced.
inline void* Token(intptr_t n) { return reinterpret_cast<void*>(0x1000 + 16 * n); }

#endif  // VEMMISC_TESTS_CONTAINERS_TABLE_PROBE_H_
