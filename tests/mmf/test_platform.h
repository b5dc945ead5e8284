// What the block tests need from the platform: where new blocks go, the file
// name of a block by its number and the sizes it cannot map.
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

}  // namespace vem_test

#endif  // VEMMISC_TESTS_MMF_TEST_PLATFORM_H_
