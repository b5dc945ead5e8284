#include <windows.h>

#include <filesystem>

#include "tests/mmf/test_platform.h"

namespace vem_test {

// The mapping takes the low 32 bits of the size and the view all of it; both
// fail after the file was named and made.
const std::uint64_t kUnmappable[3] = {0, std::uint64_t{1} << 32, (std::uint64_t{1} << 32) + 4096};
const bool kRefusalUsesNumber = true;

void SetTemporaryDirectory(const std::string& directory) { SetEnvironmentVariableA("TMP", directory.c_str()); }

// With a number other than 0 the system only forms the name.
std::string BlockFileName(std::uint64_t n) {
  wchar_t path[MAX_PATH + 1];
  GetTempFileNameW(L".", L"~mf", static_cast<UINT>(n), path);
  return std::filesystem::path(path).filename().string();
}

}  // namespace vem_test
