// What the block tests need from the platform: pointing the temporary
// directory elsewhere, the file name a block of a given number gets, and the
// library loaded on its own (so its counter starts afresh and unloading it
// really ends it).
#ifndef VEMMISC_TESTS_MMF_TEST_PLATFORM_H_
#define VEMMISC_TESTS_MMF_TEST_PLATFORM_H_

#include <cstdint>
#include <map>
#include <string>

#include "tests/support/temp_folder.h"

namespace vem_test {

// Makes `directory` the temporary directory of this process's blocks.
void SetTemporaryDirectory(const std::string& directory);

// A private folder, made the temporary directory of new blocks while it lives.
class BlockFolder : public TempFolder {
 public:
  BlockFolder() { SetTemporaryDirectory(path()); }
  ~BlockFolder() { SetTemporaryDirectory(SystemTemporaryDirectory()); }
  // The block files of the folder, with their sizes.
  std::map<std::string, std::uintmax_t> Blocks() const { return Files("~mf"); }
};

// The name, without directory, of the file of the block numbered `number`,
// made by this process in `directory`.
std::string BlockFileName(const std::string& directory, std::uint64_t number);

// The library, loaded by this object instead of linked.
class LoadedLibrary {
 public:
  using AllocFunction = void* (*)(std::uint64_t);
  using FreeFunction = void (*)(void*);

  LoadedLibrary();   // check loaded() afterwards
  ~LoadedLibrary();  // unloads it if still loaded
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;

  bool loaded() const { return handle_ != nullptr && alloc != nullptr && free != nullptr; }
  // Unloads the library; true when it is then gone from the process.
  bool Unload();

  AllocFunction alloc = nullptr;
  FreeFunction free = nullptr;

 private:
  void* handle_ = nullptr;
};

}  // namespace vem_test

#endif  // VEMMISC_TESTS_MMF_TEST_PLATFORM_H_
