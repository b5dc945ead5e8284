#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>

#include "tests/mmf/test_platform.h"

namespace vem_test {

// Beyond the largest file length and view length: refused before any name is formed.
const std::vector<Unmappable> kUnmappable = {{0, false}, {UINT64_MAX, false}, {UINT64_MAX / 2 + 1, false}};

void SetTemporaryDirectory(const std::string& directory) { setenv("TMPDIR", directory.c_str(), 1); }

std::string BlockFileName(std::uint64_t n) {
  char name[64];
  std::snprintf(name, sizeof name, "~mf%d-%" PRIx64 ".tmp", static_cast<int>(getpid()), n);
  return name;
}

LoadedLibrary::LoadedLibrary() : handle_(dlopen(VEMMISC_LIBRARY_FILE, RTLD_NOW | RTLD_LOCAL)) {
  if (handle_ == nullptr) return;
  alloc = reinterpret_cast<void* (*)(std::uint64_t)>(dlsym(handle_, "VTAllocMMF"));
  free = reinterpret_cast<void (*)(void*)>(dlsym(handle_, "VTFreeMMF"));
}

bool LoadedLibrary::Unload() {
  if (handle_ != nullptr) dlclose(handle_);
  handle_ = nullptr;
  void* still_there = dlopen(VEMMISC_LIBRARY_FILE, RTLD_NOW | RTLD_NOLOAD);
  if (still_there != nullptr) dlclose(still_there);
  return still_there == nullptr;
}

}  // namespace vem_test
