#include <windows.h>

#include <filesystem>

#include "tests/mmf/test_platform.h"

namespace vem_test {

// The mapping takes the low 32 bits of the size and the view all of it; both
// fail after the file was named and made.
const std::vector<Unmappable> kUnmappable = {{0, true}, {std::uint64_t{1} << 32, true}, {(1ull << 32) + 4096, true}};

void SetTemporaryDirectory(const std::string& directory) { SetEnvironmentVariableA("TMP", directory.c_str()); }

// With a number other than 0 the system only forms the name.
std::string BlockFileName(std::uint64_t n) {
  wchar_t path[MAX_PATH + 1];
  GetTempFileNameW(L".", L"~mf", static_cast<UINT>(n), path);
  return std::filesystem::path(path).filename().string();
}

// An export as the function type it has; the cast through void (*)() tells
// the compiler that GetProcAddress's type is known not to be it.
template <typename Function>
Function Export(void* handle, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(static_cast<HMODULE>(handle), name)));
}

LoadedLibrary::LoadedLibrary() : handle_(LoadLibraryW(VEMMISC_LIBRARY_FILE)) {
  if (handle_ == nullptr) return;
  alloc = Export<void* (*)(std::uint64_t)>(handle_, "VTAllocMMF");
  free = Export<void (*)(void*)>(handle_, "VTFreeMMF");
}

bool LoadedLibrary::Unload() {
  if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(handle_));
  handle_ = nullptr;
  return GetModuleHandleW(VEMMISC_LIBRARY_FILE) == nullptr;
}

}  // namespace vem_test
