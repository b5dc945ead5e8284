#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>

#include "tests/mmf/test_platform.h"

namespace vem_test {

// Beyond the largest file length and view length: refused before any name is formed.
const std::uint64_t kUnmappable[3] = {0, UINT64_MAX, UINT64_MAX / 2 + 1};
const bool kRefusalUsesNumber = false;

void SetTemporaryDirectory(const std::string& directory) { setenv("TMPDIR", directory.c_str(), 1); }

std::string BlockFileName(std::uint64_t n) {
  char name[64];
  std::snprintf(name, sizeof name, "~mf%d-%" PRIx64 ".tmp", static_cast<int>(getpid()), n);
  return name;
}

BlockFunctions LoadVemMisc() {
  void* const handle = dlopen(VEMMISC_LIBRARY_FILE, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return {nullptr, nullptr};
  return {reinterpret_cast<void* (*)(std::uint64_t)>(dlsym(handle, "VTAllocMMF")),
          reinterpret_cast<void (*)(void*)>(dlsym(handle, "VTFreeMMF"))};
}

// A look-up that does not load takes a reference of its own: dropping it and
// the load's ends the library.
bool UnloadVemMisc() {
  void* const handle = dlopen(VEMMISC_LIBRARY_FILE, RTLD_NOW | RTLD_NOLOAD);
  for (int reference = 0; handle != nullptr && reference < 2; ++reference) dlclose(handle);
  return dlopen(VEMMISC_LIBRARY_FILE, RTLD_NOW | RTLD_NOLOAD) == nullptr;
}

}  // namespace vem_test
