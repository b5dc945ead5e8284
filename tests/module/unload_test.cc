// Loads the library at run time and unloads it again, three times: it must
// leave the process completely (image unmapped, the loader holding nothing)
// and work again after each reload. This program does not link the library:
// it loads the staged libVemMisc.so.1 (VEMMISC_INSTALLED_LIBRARY), or the
// VemMisc.dll beside it.
#include <gtest/gtest.h>

#include <cstdint>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>

#include <filesystem>
#include <fstream>
#include <string>
#endif

namespace {

#if defined(_WIN32)
void* Load() { return LoadLibraryW(L"VemMisc.dll"); }
void* Symbol(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}
bool Unload(void* library) { return FreeLibrary(static_cast<HMODULE>(library)); }
bool IsLoaded() { return GetModuleHandleW(L"VemMisc.dll") != nullptr; }
#else
void* Load() { return dlopen(VEMMISC_INSTALLED_LIBRARY, RTLD_NOW | RTLD_LOCAL); }
void* Symbol(void* library, const char* name) { return dlsym(library, name); }
bool Unload(void* library) { return dlclose(library) == 0; }
// Mapped, as /proc/self/maps shows, or still known to the loader.
bool IsLoaded() {
  const std::string file = std::filesystem::canonical(VEMMISC_INSTALLED_LIBRARY).string();
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);) {
    if (line.substr(line.find_last_of(' ') + 1) == file) return true;
  }
  return dlopen(VEMMISC_INSTALLED_LIBRARY, RTLD_NOW | RTLD_NOLOAD) != nullptr;
}
#endif

TEST(LoadedLibrary, UnloadsCompletelyAndWorksAfterEachReload) {
  ASSERT_FALSE(IsLoaded()) << "loaded before the test";
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    void* library = Load();
    ASSERT_NE(library, nullptr);
    EXPECT_TRUE(IsLoaded());
    // GenerateID(const char*), looked up by its C++ symbol name.
    auto generate_id = reinterpret_cast<int32_t (*)(const char*)>(Symbol(library, "_Z10GenerateIDPKc"));
    ASSERT_NE(generate_id, nullptr) << "GenerateID is not exported";
    EXPECT_EQ(generate_id("abc"), 96354);
    ASSERT_TRUE(Unload(library));
    EXPECT_FALSE(IsLoaded()) << "still loaded after unloading";
  }
}

}  // namespace
