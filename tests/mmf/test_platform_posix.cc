#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>

#include "tests/mmf/test_platform.h"

namespace vem_test {

void SetTemporaryDirectory(const std::string& directory) { setenv("TMPDIR", directory.c_str(), 1); }

std::string BlockFileName(const std::string&, std::uint64_t number) {
  char name[64];
  std::snprintf(name, sizeof name, "~mf%d-%" PRIx64 ".tmp", static_cast<int>(getpid()), number);
  return name;
}

LoadedLibrary::LoadedLibrary() : handle_(dlopen(VEMMISC_LIBRARY_FILE, RTLD_NOW | RTLD_LOCAL)) {
  if (handle_ == nullptr) return;
  alloc = reinterpret_cast<AllocFunction>(dlsym(handle_, "VTAllocMMF"));
  free = reinterpret_cast<FreeFunction>(dlsym(handle_, "VTFreeMMF"));
}

LoadedLibrary::~LoadedLibrary() { Unload(); }

bool LoadedLibrary::Unload() {
  if (handle_ != nullptr) dlclose(handle_);
  handle_ = nullptr;
  alloc = nullptr;
  free = nullptr;
  void* still_there = dlopen(VEMMISC_LIBRARY_FILE, RTLD_NOW | RTLD_NOLOAD);
  if (still_there == nullptr) return true;
  dlclose(still_there);
  return false;
}

}  // namespace vem_test
