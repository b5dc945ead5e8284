#include <windows.h>

#include <string>

#include "tests/mmf/test_platform.h"

namespace vem_test {
namespace {

std::wstring Widen(const std::string& text) {
  std::wstring wide(text.size() + 1, L'\0');
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
  wide.resize(length > 0 ? static_cast<std::size_t>(length - 1) : 0);
  return wide;
}

std::string Narrow(const wchar_t* text) {
  std::string narrow(4 * lstrlenW(text) + 1, '\0');
  const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, &narrow[0], static_cast<int>(narrow.size()), nullptr,
                                         nullptr);
  narrow.resize(length > 0 ? static_cast<std::size_t>(length - 1) : 0);
  return narrow;
}

}  // namespace

void SetTemporaryDirectory(const std::string& directory) {
  SetEnvironmentVariableW(L"TMP", Widen(directory).c_str());
}

std::string BlockFileName(const std::string& directory, std::uint64_t number) {
  // With a number other than 0 the system only forms the name.
  wchar_t path[MAX_PATH + 1];
  GetTempFileNameW(Widen(directory).c_str(), L"~mf", static_cast<UINT>(number), path);
  const wchar_t* name = path;
  for (const wchar_t* at = path; *at != L'\0'; ++at) {
    if (*at == L'\\' || *at == L'/') name = at + 1;
  }
  return Narrow(name);
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
