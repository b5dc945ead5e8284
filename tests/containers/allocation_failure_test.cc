// Allocation failures inside the hash table reach the caller as
// std::bad_alloc and leave every table as it was. This program replaces the
// global operator new, which the shared library's entry allocations resolve
// to, so that a chosen allocation fails.
#include <cstdlib>
#include <new>

#include <gtest/gtest.h>

#include "VemContainers.h"
#include "tests/containers/table_probe.h"

namespace {

// Allocations still allowed before the next one fails; negative: no limit.
int g_allocationsLeft = -1;

class FailingAllocations {
 public:
  explicit FailingAllocations(int allowed) { g_allocationsLeft = allowed; }
  ~FailingAllocations() { g_allocationsLeft = -1; }
};

}  // namespace

void* operator new(std::size_t size) {
  if (g_allocationsLeft == 0) throw std::bad_alloc();
  if (g_allocationsLeft > 0) --g_allocationsLeft;
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

TEST(HashtableAllocationFailure, FailedPutLeavesTheTableUnchanged) {
  TableProbe table;
  for (int32_t k = 0; k < 10; ++k) table.Put(k, Token(k));
  const auto before = EnumeratedKeys(&table);
  {
    FailingAllocations none(0);
    EXPECT_THROW(table.Put(100, Token(100)), std::bad_alloc);
  }
  EXPECT_EQ(table.Size(), 10);
  EXPECT_FALSE(table.ContainsKey(100));
  EXPECT_EQ(EnumeratedKeys(&table), before);
  EXPECT_TRUE(table.ChainsConsistent());
  EXPECT_EQ(table.Put(100, Token(100)), Token(100));
}

TEST(HashtableAllocationFailure, FailedPutAfterARehashKeepsTheGrownTable) {
  TableProbe table;
  for (int32_t k = 0; k < 113; ++k) table.Put(k, Token(k));
  {
    FailingAllocations none(0);  // the bucket array is not an entry
    EXPECT_THROW(table.Put(500, Token(500)), std::bad_alloc);
  }
  EXPECT_EQ(table.Capacity(), 303);
  EXPECT_EQ(table.Size(), 113);
  EXPECT_TRUE(table.ChainsConsistent());
  for (int32_t k = 0; k < 113; ++k) ASSERT_EQ(table.Get(k), Token(k));
}

TEST(HashtableAllocationFailure, FailedCopyLeavesSourceAndTargetIntact) {
  TableProbe source;
  for (int32_t k = 0; k < 50; ++k) source.Put(k, Token(k));
  {
    FailingAllocations some(20);
    EXPECT_THROW(TableProbe copy(source), std::bad_alloc);
  }
  TableProbe target;
  target.Put(-5, Token(5));
  {
    FailingAllocations some(30);
    EXPECT_THROW(target = source, std::bad_alloc);
  }
  EXPECT_EQ(target.Size(), 1);
  EXPECT_EQ(target.Get(-5), Token(5));
  EXPECT_EQ(source.Size(), 50);
  EXPECT_TRUE(source.ChainsConsistent());
}
