#include <windows.h>

#include <filesystem>
#include <string>

#include "tests/mmf/test_platform.h"

namespace vem_test {

void SetTemporaryDirectory(const std::string& directory) {
  SetEnvironmentVariableW(L"TMP", std::filesystem::path(directory).wstring().c_str());
}

std::string BlockFileName(const std::string& directory, std::uint64_t number) {
  // With a number other than 0 the system only forms the name.
  wchar_t path[MAX_PATH + 1];
  GetTempFileNameW(std::filesystem::path(directory).wstring().c_str(), L"~mf", static_cast<UINT>(number), path);
  return std::filesystem::path(path).filename().string();
}

LoadedLibrary::LoadedLibrary() {
  HMODULE module = LoadLibraryW(VEMMISC_LIBRARY_FILE);
  handle_ = module;
  if (module == nullptr) return;
  alloc = reinterpret_cast<AllocFunction>(reinterpret_cast<void*>(GetProcAddress(module, "VTAllocMMF")));
  free = reinterpret_cast<FreeFunction>(reinterpret_cast<void*>(GetProcAddress(module, "VTFreeMMF")));
}

LoadedLibrary::~LoadedLibrary() { Unload(); }

bool LoadedLibrary::Unload() {
  if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(handle_));
  handle_ = nullptr;
  alloc = nullptr;
  free = nullptr;
  return GetModuleHandleW(VEMMISC_LIBRARY_FILE) == nullptr;
}

}  // namespace vem_test
