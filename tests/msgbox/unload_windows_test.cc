// FreeLibrary while a box is open: the box's thread keeps the library loaded,
// the box still works, and the library goes once the box has closed.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "box_window_windows.h"

namespace vem {
namespace testing {
namespace {

using ShowBox = std::int32_t (*)(const wchar_t*, const wchar_t*, std::int32_t, std::int32_t);
using SetTitle = void (*)(const wchar_t*);

// GetProcAddress's untyped result, as the function type the export has
// (through void (*)(), the type that stands for any function).
template <typename Function>
Function Export(HMODULE library, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

bool WaitUntilUnloaded() {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (GetModuleHandleW(L"VemMisc.dll") != nullptr) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

TEST(WindowsBoxUnload, OpenBoxKeepsTheLibraryUntilItCloses) {
  ASSERT_EQ(nullptr, GetModuleHandleW(L"VemMisc.dll"));
  HMODULE library = LoadLibraryW(L"VemMisc.dll");
  ASSERT_NE(nullptr, library);
  const auto show = Export<ShowBox>(library, "VTMessageBoxW");
  const auto setTitle = Export<SetTitle>(library, "VTSetMessageBoxTitleW");
  ASSERT_NE(nullptr, show);
  ASSERT_NE(nullptr, setTitle);

  const std::wstring caption = L"VemMisc unload test";
  setTitle(caption.c_str());
  ASSERT_EQ(0, show(L"still here", L"after FreeLibrary", 1, 0));
  HWND box = WaitForBox(caption);
  ASSERT_NE(nullptr, box);

  ASSERT_TRUE(FreeLibrary(library));
  // The box's thread holds its own reference.
  EXPECT_NE(nullptr, GetModuleHandleW(L"VemMisc.dll"));
  // The dialog still answers: its code is still mapped.
  EXPECT_EQ(L"after FreeLibrary", ControlText(box, 1005));

  SendCommand(box, IDOK);
  EXPECT_TRUE(WaitUntilGone(box));
  EXPECT_TRUE(WaitUntilUnloaded());
}

}  // namespace
}  // namespace testing
}  // namespace vem
