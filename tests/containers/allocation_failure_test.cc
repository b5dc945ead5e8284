// Allocation failures inside the hash table reach the caller as
// std::bad_alloc and leave every table as it was. This program replaces the
// global operator new, which the library's entry allocations resolve to, so
// that a chosen allocation fails.
#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "VemContainers.h"

namespace {

int g_allocations_left = -1;  // before the next one fails; negative: no limit

struct Table : CHashtable {
  int32_t Capacity() const { return m_capacity; }
  // Every (key, value) in enumeration order.
  std::vector<std::pair<int32_t, void*>> Entries() {
    std::vector<std::pair<int32_t, void*>> entries;
    CHtEnumerator cursor(this);
    for (int32_t key = 0; void* value = cursor.NextElement(&key);) entries.emplace_back(key, value);
    return entries;
  }
};

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

TEST(HashtableAllocationFailure, FailedPutOrCopyLeavesEveryTableIntact) {
  // 113 keys: the next new key first grows the table, then fails its entry;
  // 10 keys: the entry fails without growth.
  for (int32_t count : {10, 113}) {
    Table table, target;
    std::vector<int> values(static_cast<size_t>(count));
    for (int32_t k = 0; k < count; ++k) table.Put(k, &values[static_cast<size_t>(k)]);
    target.Put(-5, &target);
    const auto before = table.Entries();
    g_allocations_left = 0;
    EXPECT_THROW(table.Put(500, &target), std::bad_alloc);
    g_allocations_left = count / 2;
    EXPECT_THROW(Table copy(table), std::bad_alloc);
    EXPECT_THROW(target = table, std::bad_alloc);
    g_allocations_left = -1;
    EXPECT_EQ(table.Capacity(), count == 113 ? 303 : 151);
    EXPECT_EQ(table.Size(), count);
    EXPECT_FALSE(table.ContainsKey(500));
    for (int32_t k = 0; k < count; ++k) ASSERT_EQ(table.Get(k), &values[static_cast<size_t>(k)]);
    if (count == 10) {
      EXPECT_EQ(table.Entries(), before);
    }
    EXPECT_EQ(target.Entries(), (std::vector<std::pair<int32_t, void*>>{{-5, &target}}));
  }
}
