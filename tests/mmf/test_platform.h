// What the block tests need from the platform: where new blocks go, the file
// name of a block by its number, the sizes it cannot map, and the library,
// loaded by the test itself, so that each load numbers its files from 1 and
// unloading it really ends it.
#ifndef VEMMISC_TESTS_MMF_TEST_PLATFORM_H_
#define VEMMISC_TESTS_MMF_TEST_PLATFORM_H_

#include <cstdint>
#include <string>

namespace vem_test {

void SetTemporaryDirectory(const std::string& directory);

// The file name, without directory, of this process's block numbered n.
std::string BlockFileName(std::uint64_t n);

// Sizes refused with NULL and no file left, and whether such a refusal comes
// after the file was named, so that the next block gets the next number.
extern const std::uint64_t kUnmappable[3];
extern const bool kRefusalUsesNumber;

// The library's block functions, null when it cannot be loaded.
struct BlockFunctions {
  void* (*alloc)(std::uint64_t);
  void (*free)(void*);
};
BlockFunctions LoadVemMisc();
// Ends the load; true when the library is then gone from the process.
bool UnloadVemMisc();

}  // namespace vem_test

#endif  // VEMMISC_TESTS_MMF_TEST_PLATFORM_H_
