#include <cmath>
#include <cstring>
#include <utility>

#include "VemContainers.h"
#include "containers/bucket_array.h"

namespace {

constexpr int32_t kDefaultCapacity = 151;
constexpr float kDefaultLoadFactor = 0.75f;

int32_t ValidCapacity(int32_t capacity) { return capacity >= 1 ? capacity : kDefaultCapacity; }

float ValidLoadFactor(float load_factor) {
  return load_factor > 0.0f ? load_factor : kDefaultLoadFactor;  // NaN fails too
}

// Number of entries at which a new key makes the table grow: the bucket count
// times the load factor in single precision, truncated.
int32_t GrowthThreshold(int32_t capacity, float load_factor) {
  const float product = static_cast<float>(capacity) * load_factor;
  if (product >= 2147483648.0f) return INT32_MAX;  // beyond reach anyway
  return static_cast<int32_t>(product);
}

void FreeChains(HashtableEntry** buckets, int32_t capacity) {
  for (int32_t i = capacity - 1; i >= 0; --i) {
    HashtableEntry* entry = buckets[i];
    while (entry != nullptr) {
      HashtableEntry* next = entry->next;
      delete entry;
      entry = next;
    }
  }
}

// Get, ContainsKey and Size are inline in the header. Programs built against
// headers in which they were not still call the library's own copies, so
// their addresses are taken here: that makes the library emit, and export,
// one out-of-line copy of each.
__attribute__((used)) void* (CHashtable::*const kExportedGet)(int32_t) const = &CHashtable::Get;
__attribute__((used)) bool (CHashtable::*const kExportedContainsKey)(int32_t) const = &CHashtable::ContainsKey;
__attribute__((used)) int32_t (CHashtable::*const kExportedSize)() const = &CHashtable::Size;

}  // namespace

CHashtable::CHashtable() : CHashtable(kDefaultCapacity, kDefaultLoadFactor) {}

CHashtable::CHashtable(int32_t capacity) : CHashtable(capacity, kDefaultLoadFactor) {}

CHashtable::CHashtable(int32_t capacity, float load_factor)
    : m_table(vem::NewBucketArray(ValidCapacity(capacity))),
      m_count(0),
      m_capacity(ValidCapacity(capacity)),
      m_loadFactor(ValidLoadFactor(load_factor)) {}

CHashtable::CHashtable(const CHashtable& other)
    : m_table(vem::NewBucketArray(other.m_capacity)),
      m_count(0),
      m_capacity(other.m_capacity),
      m_loadFactor(other.m_loadFactor) {
  // Each chain is copied front to back, so the copy enumerates in the
  // source's order. A failed allocation frees the partial copy.
  try {
    for (int32_t i = 0; i < m_capacity; ++i) {
      HashtableEntry** tail = &m_table[i];
      for (const HashtableEntry* from = other.m_table[i]; from != nullptr; from = from->next) {
        *tail = new HashtableEntry{from->key, from->value, nullptr};
        tail = &(*tail)->next;
        ++m_count;
      }
    }
  } catch (...) {
    FreeChains(m_table, m_capacity);
    vem::DeleteBucketArray(m_table);
    throw;
  }
}

CHashtable& CHashtable::operator=(const CHashtable& other) {
  CHashtable copy(other);
  std::swap(m_table, copy.m_table);
  std::swap(m_count, copy.m_count);
  std::swap(m_capacity, copy.m_capacity);
  std::swap(m_loadFactor, copy.m_loadFactor);
  return *this;
}

CHashtable::~CHashtable() {
  FreeChains(m_table, m_capacity);
  vem::DeleteBucketArray(m_table);
}

void* CHashtable::Put(int32_t key, void* value) {
  if (value == nullptr) return nullptr;
  HashtableEntry** head = &m_table[vem::BucketIndex(m_table, key)];
  for (HashtableEntry* entry = *head; entry != nullptr; entry = entry->next) {
    if (entry->key == key) {
      void* previous = entry->value;
      entry->value = value;
      return previous;
    }
  }
  if (m_count >= GrowthThreshold(m_capacity, m_loadFactor)) {
    // A small load factor may need several rounds before the key fits.
    do {
      Rehash();
    } while (m_count >= GrowthThreshold(m_capacity, m_loadFactor) && vem::GrownBucketCount(m_capacity) != m_capacity);
    head = &m_table[vem::BucketIndex(m_table, key)];
  }
  *head = new HashtableEntry{key, value, *head};
  ++m_count;
  return value;
}

bool CHashtable::Contains(void* value) const {
  int32_t ignored;
  return GetKey(value, &ignored);
}

bool CHashtable::GetKey(void* value, int32_t* key) const {
  if (value == nullptr) return false;
  for (int32_t i = m_capacity - 1; i >= 0; --i) {
    for (const HashtableEntry* entry = m_table[i]; entry != nullptr; entry = entry->next) {
      if (entry->value == value) {
        *key = entry->key;
        return true;
      }
    }
  }
  return false;
}

void* CHashtable::Remove(int32_t key) {
  HashtableEntry** link = &m_table[vem::BucketIndex(m_table, key)];
  for (HashtableEntry* entry = *link; entry != nullptr; link = &entry->next, entry = entry->next) {
    if (entry->key == key) {
      *link = entry->next;
      --m_count;
      void* value = entry->value;
      delete entry;
      return value;
    }
  }
  return nullptr;
}

void CHashtable::Clear() {
  if (m_count == 0) return;
  FreeChains(m_table, m_capacity);
  std::memset(m_table, 0, static_cast<size_t>(m_capacity) * sizeof(*m_table));
  m_count = 0;
}

void CHashtable::Rehash() {
  const int32_t old_capacity = m_capacity;
  const int32_t new_capacity = vem::GrownBucketCount(old_capacity);
  if (new_capacity == old_capacity) return;
  // The new array exists before anything changes, so a failed allocation
  // leaves the table as it was.
  HashtableEntry** fresh = vem::NewBucketArray(new_capacity);
  // Entries and their new buckets lie at random addresses. Asking for them a
  // few buckets ahead (first the entry, later its new bucket, whose index
  // needs the entry's key) overlaps those cache misses instead of taking
  // them one after another.
  // Small tables sit in the cache already and skip the extra work.
  constexpr int32_t kEntryDistance = 16;
  constexpr int32_t kBucketDistance = 8;
  const bool prefetch = old_capacity >= 16384;
  for (int32_t i = old_capacity - 1; i >= 0; --i) {
    if (prefetch && i >= kEntryDistance) {
      vem::Prefetch(m_table[i - kEntryDistance]);
    }
    if (prefetch && i >= kBucketDistance && m_table[i - kBucketDistance] != nullptr) {
      vem::Prefetch(&fresh[vem::BucketIndex(fresh, m_table[i - kBucketDistance]->key)]);
    }
    HashtableEntry* entry = m_table[i];
    while (entry != nullptr) {
      HashtableEntry* next = entry->next;
      HashtableEntry** head = &fresh[vem::BucketIndex(fresh, entry->key)];
      entry->next = *head;
      *head = entry;
      entry = next;
    }
  }
  vem::DeleteBucketArray(m_table);
  m_table = fresh;
  m_capacity = new_capacity;
}
