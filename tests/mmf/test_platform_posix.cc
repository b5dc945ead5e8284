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

}  // namespace vem_test
