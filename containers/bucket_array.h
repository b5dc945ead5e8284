// Bucket arrays of CHashtable. Each array carries, in a hidden header just
// before its first slot, the constant for an exact remainder by its bucket
// count computed with two multiplications instead of a division (Lemire,
// Kaser and Kurz, "Faster Remainder by Direct Computation", 2019). The table
// stays the four documented fields; the constant travels with the array.
//
// Only the library's own operations (Put, Remove, Rehash) use the constant.
// The inline Get of the public header divides by m_capacity, which gives the
// same bucket, so the header is no part of the binary interface and may
// change with the library.
#ifndef VEMMISC_CONTAINERS_BUCKET_ARRAY_H_
#define VEMMISC_CONTAINERS_BUCKET_ARRAY_H_

#include <cstdint>

#include "VemContainers.h"

namespace vem {

// A new array of count (at least 1) null buckets. Throws std::bad_alloc.
HashtableEntry** NewBucketArray(int32_t count);
// Frees an array made by NewBucketArray (null is allowed).
void DeleteBucketArray(HashtableEntry** buckets);

// The bucket count a table grows to from count: 2n + 1, or count itself once
// 2n + 1 would not fit in 32 bits; such a table lets its chains lengthen.
inline int32_t GrownBucketCount(int32_t count) { return count <= (INT32_MAX - 1) / 2 ? 2 * count + 1 : count; }

struct BucketArrayHeader {
  uint64_t reciprocal;  // 2^64 / count, rounded up
  uint32_t count;
  uint32_t unused;
};

// The bucket of key: (key & 0x7FFFFFFF) % count.
inline int32_t BucketIndex(HashtableEntry* const* buckets, int32_t key) {
  const auto* header =
      reinterpret_cast<const BucketArrayHeader*>(reinterpret_cast<const char*>(buckets) - sizeof(BucketArrayHeader));
  const uint32_t dividend = static_cast<uint32_t>(key) & 0x7FFFFFFFu;
#if defined(__SIZEOF_INT128__)
  const uint64_t fraction = header->reciprocal * dividend;
  return static_cast<int32_t>((static_cast<unsigned __int128>(fraction) * header->count) >> 64);
#else
  return static_cast<int32_t>(dividend % header->count);
#endif
}

// Asks for the cache line at address ahead of its use; a hint only, so a
// null or stale address is harmless.
inline void Prefetch(const void* address) {
#if defined(__GNUC__)
  __builtin_prefetch(address);
#else
  (void)address;
#endif
}

}  // namespace vem

#endif  // VEMMISC_CONTAINERS_BUCKET_ARRAY_H_
