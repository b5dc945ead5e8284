// The parameter storage against its model under seeded random operations,
// with every allocation of the program counted and guarded.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "VemParams.h"
#include "tests/support/model_runs.h"

namespace {
long g_live_blocks = 0;
}  // namespace

#if !defined(_WIN32)
// Every allocation of this program carries its size in front and a guard byte
// behind. Freeing checks the guard and scribbles over the block, so that a
// write past a buffer, a read of a released record and a leak show in a plain
// build too. (On Windows the library allocates from its own runtime.)
void* operator new(std::size_t size) {
  auto* block = static_cast<unsigned char*>(std::malloc(size + 17));
  if (block == nullptr) throw std::bad_alloc();
  std::memcpy(block, &size, sizeof size);
  block[16 + size] = 0xA5;
  ++g_live_blocks;
  return block + 16;
}
namespace {
void ReleaseGuarded(void* address) {
  if (address == nullptr) return;
  auto* block = static_cast<unsigned char*>(address) - 16;
  std::size_t size;
  std::memcpy(&size, block, sizeof size);
  if (block[16 + size] != 0xA5) std::abort();  // written past its end
  std::memset(block, 0xDD, size + 17);
  --g_live_blocks;
  std::free(block);
}
}  // namespace
// Both forms release through one function: were one to call the other, GCC
// would inline new and delete into a test and report malloc's block freed by
// operator delete.
void operator delete(void* address) noexcept { ReleaseGuarded(address); }
void operator delete(void* address, std::size_t) noexcept { ReleaseGuarded(address); }
#endif

namespace vem_test {
namespace {

TEST(ParamsModel, StorageFollowsTheModelAndFreesWhatItOwns) {
  VemParamStorage placeholder(77);
  VemParamStorage::AddStorage(77, &placeholder);  // the registry's one entry is made before counting
  const long live = g_live_blocks;
  RunSeeds(RunParams, 600, 1200);
  EXPECT_EQ(g_live_blocks, live);
}

}  // namespace
}  // namespace vem_test
