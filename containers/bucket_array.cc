#include "containers/bucket_array.h"

#include <cstdlib>

#include "containers/throw_bad_alloc.h"

namespace vem {

HashtableEntry** NewBucketArray(int32_t count) {
  const size_t slots = static_cast<size_t>(count);
  // calloc: large arrays come as fresh zero pages, never written by us.
  void* block = std::calloc(1, sizeof(BucketArrayHeader) + slots * sizeof(HashtableEntry*));
  if (block == nullptr) ThrowBadAlloc();
  auto* header = static_cast<BucketArrayHeader*>(block);
  header->count = static_cast<uint32_t>(count);
  // For count 1 this wraps to 0, and every remainder is then 0, as it must be.
  header->reciprocal = UINT64_MAX / header->count + 1;
  return reinterpret_cast<HashtableEntry**>(header + 1);
}

void DeleteBucketArray(HashtableEntry** buckets) {
  if (buckets == nullptr) return;
  std::free(reinterpret_cast<BucketArrayHeader*>(buckets) - 1);
}

}  // namespace vem
