// What the block tests need from the platform: where new blocks go, the file
// name of a block by its number, the sizes the platform cannot map, and the
// library loaded by the test itself, so that each load numbers its files
// from 1 and unloading it really ends it.
#ifndef VEMMISC_TESTS_MMF_TEST_PLATFORM_H_
#define VEMMISC_TESTS_MMF_TEST_PLATFORM_H_

#include <cstdint>
#include <string>
#include <vector>

namespace vem_test {

void SetTemporaryDirectory(const std::string& directory);

// The file name, without directory, of this process's block numbered n.
std::string BlockFileName(std::uint64_t n);

// Sizes refused with NULL and no file left; uses_number: the refusal comes
// after the file name was formed, so the next block gets the next number.
struct Unmappable {
  std::uint64_t size;
  bool uses_number;
};
extern const std::vector<Unmappable> kUnmappable;

class LoadedLibrary {
 public:
  LoadedLibrary();  // check alloc and free afterwards
  ~LoadedLibrary() { Unload(); }
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;
  bool Unload();  // true when the library is then gone from the process

  void* (*alloc)(std::uint64_t) = nullptr;
  void (*free)(void*) = nullptr;

 private:
  void* handle_ = nullptr;
};

}  // namespace vem_test

#endif  // VEMMISC_TESTS_MMF_TEST_PLATFORM_H_
