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

// Each export as the function type it has; the cast through void (*)() tells
// the compiler that GetProcAddress's type is known not to be it.
BlockFunctions LoadVemMisc() {
  const HMODULE module = LoadLibraryW(VEMMISC_LIBRARY_FILE);
  if (module == nullptr) return {nullptr, nullptr};
  return {
      reinterpret_cast<void* (*)(std::uint64_t)>(reinterpret_cast<void (*)()>(GetProcAddress(module, "VTAllocMMF"))),
      reinterpret_cast<void (*)(void*)>(reinterpret_cast<void (*)()>(GetProcAddress(module, "VTFreeMMF")))};
}

bool UnloadVemMisc() {
  const HMODULE module = GetModuleHandleW(VEMMISC_LIBRARY_FILE);
  if (module != nullptr) FreeLibrary(module);
  return GetModuleHandleW(VEMMISC_LIBRARY_FILE) == nullptr;
}

}  // namespace vem_test
