// Loads VemMisc.dll at run time and frees it again: the DLL must leave the
// process (its global objects destroyed, its image unmapped) and load again
// with fresh global state. This program does not link the library; it loads
// the VemMisc.dll that lies beside it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>

namespace {

// GenerateID(const char*), looked up by its C++ symbol name.
using GenerateIdFn = int32_t (*)(const char*);
constexpr const char kGenerateIdSymbol[] = "_Z10GenerateIDPKc";

bool IsLoaded() { return GetModuleHandleW(L"VemMisc.dll") != nullptr; }

class DllTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(IsLoaded()) << "loaded before the test"; }
};

TEST_F(DllTest, FreeLibraryUnloadsTheDll) {
  HMODULE module = LoadLibraryW(L"VemMisc.dll");
  ASSERT_NE(module, nullptr) << "error " << GetLastError();
  EXPECT_TRUE(IsLoaded());

  ASSERT_TRUE(FreeLibrary(module));
  EXPECT_FALSE(IsLoaded()) << "still loaded after FreeLibrary";
}

TEST_F(DllTest, WorksAfterEachReload) {
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    HMODULE module = LoadLibraryW(L"VemMisc.dll");
    ASSERT_NE(module, nullptr) << "error " << GetLastError();
    auto generate_id =
        reinterpret_cast<GenerateIdFn>(reinterpret_cast<void*>(GetProcAddress(module, kGenerateIdSymbol)));
    ASSERT_NE(generate_id, nullptr) << "GenerateID is not exported";
    EXPECT_EQ(generate_id("abc"), 96354);
    ASSERT_TRUE(FreeLibrary(module));
    EXPECT_FALSE(IsLoaded());
  }
}

}  // namespace
