// Allocation failures inside the containers reach the caller as
// std::bad_alloc and leave every table as it was. This program replaces the
// global operator new, which the library's entry allocations resolve to, so
// that a chosen allocation fails.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <new>
#include <vector>

#include "VemContainers.h"
#include "containers/bucket_array.h"
#include "containers/vector_core.h"

namespace {

int g_allocations_left = -1;  // before the next one fails; negative: no limit

}  // namespace

void* operator new(std::size_t size) {
  if (g_allocations_left == 0) throw std::bad_alloc();
  if (g_allocations_left > 0) --g_allocations_left;
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

namespace {

// With 10 keys a new key's entry fails; with 113 the table grows first, then
// the entry fails. A copy or an assignment fails at each entry in turn.
TEST(AllocationFailure, ReportedAndEveryTableLeftIntact) {
  for (int32_t count : {10, 113}) {
    CHashtable table, target;
    std::vector<int> values(static_cast<size_t>(count) + 1);
    for (int32_t k = 0; k < count; ++k) table.Put(k, &values[static_cast<size_t>(k)]);
    target.Put(-5, &target);
    g_allocations_left = 0;
    EXPECT_THROW(table.Put(count, &values[static_cast<size_t>(count)]), std::bad_alloc);
    for (int fail_at = 0; fail_at < count; fail_at += 4) {
      g_allocations_left = fail_at;
      EXPECT_THROW(CHashtable copy(table), std::bad_alloc);
      g_allocations_left = fail_at;
      EXPECT_THROW(target = table, std::bad_alloc);
    }
    g_allocations_left = -1;
    EXPECT_EQ(table.Size(), count);
    for (int32_t k = 0; k <= count; ++k) ASSERT_EQ(table.Get(k), k < count ? &values[static_cast<size_t>(k)] : nullptr);
    EXPECT_TRUE(target.Size() == 1 && target.Get(-5) == &target);
  }
  // A vector grows to the largest count at most; full there, it fails.
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  EXPECT_EQ(vem::GrownCapacity(16, 1e30f), kMax);
  EXPECT_EQ(vem::GrownCapacity(kMax - 1, 0.0f), kMax);
  EXPECT_THROW(vem::GrownCapacity(kMax, 0.5f), std::bad_alloc);
  // A table's bucket count grows to the largest count at most (kMax is
  // 2 * (kMax / 2) + 1), and stays once 2n + 1 would overflow.
  EXPECT_EQ(vem::GrownBucketCount(kMax / 2), kMax);
  EXPECT_EQ(vem::GrownBucketCount(kMax / 2 + 1), kMax / 2 + 1);
}

}  // namespace
