// Loads VemMisc.dll at run time and frees it again, three times: the DLL must
// leave the process (its global objects destroyed, its image unmapped) and
// work again after each reload. This program does not link the library; it
// loads the VemMisc.dll that lies beside it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>

namespace {

bool IsLoaded() { return GetModuleHandleW(L"VemMisc.dll") != nullptr; }

TEST(Dll, UnloadsCompletelyAndWorksAfterEachReload) {
  ASSERT_FALSE(IsLoaded()) << "loaded before the test";
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    HMODULE module = LoadLibraryW(L"VemMisc.dll");
    ASSERT_NE(module, nullptr) << "error " << GetLastError();
    EXPECT_TRUE(IsLoaded());
    // GenerateID(const char*), looked up by its C++ symbol name.
    auto generate_id = reinterpret_cast<int32_t (*)(const char*)>(
        reinterpret_cast<void*>(GetProcAddress(module, "_Z10GenerateIDPKc")));
    ASSERT_NE(generate_id, nullptr) << "GenerateID is not exported";
    EXPECT_EQ(generate_id("abc"), 96354);
    ASSERT_TRUE(FreeLibrary(module));
    EXPECT_FALSE(IsLoaded()) << "still loaded after FreeLibrary";
  }
}

}  // namespace
