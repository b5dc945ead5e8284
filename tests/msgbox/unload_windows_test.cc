// The message box with the library loaded afresh by each test (LoadLibraryW),
// so that each starts from the library's state at load: FreeLibrary while a
// box is open, and the owner window found at the first call.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "msgbox/dialog_ids.h"
#include "tests/msgbox/box_window_windows.h"

namespace vem {
namespace testing {
namespace {

using ShowBox = std::int32_t (*)(const wchar_t*, const wchar_t*, std::int32_t, std::int32_t);
using SetTitle = void (*)(const wchar_t*);
using WaitForBoxes = std::int32_t (*)();

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
  EXPECT_EQ(L"after FreeLibrary", ControlText(box, VEM_CONTROL_MESSAGE));

  SendCommand(box, IDOK);
  EXPECT_TRUE(WaitUntilGone(box));
  EXPECT_TRUE(WaitUntilUnloaded());
}

// A plain top-level window of this process, as an application's main window.
class MainWindow {
 public:
  MainWindow()
      : window_(CreateWindowExW(0, L"STATIC", L"VemMisc test main window", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                100, 100, 300, 200, nullptr, nullptr, nullptr, nullptr)) {}
  ~MainWindow() { DestroyWindow(window_); }
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;
  HWND get() const { return window_; }

 private:
  HWND window_;
};

// Shows a box of `mode`, returns its owner window and closes it.
HWND OwnerOfBox(ShowBox show, const std::wstring& caption, std::int32_t mode) {
  EXPECT_EQ(0, show(L"owner", L"which window owns this box", 1, mode));
  HWND box = WaitForBox(caption);
  EXPECT_NE(nullptr, box);
  if (box == nullptr) return nullptr;
  HWND owner = GetWindow(box, GW_OWNER);
  SendCommand(box, IDOK);
  EXPECT_TRUE(WaitUntilGone(box));
  return owner;
}

TEST(WindowsBoxOwner, FirstOwnTopLevelWindowAtFirstCallOwnsAwaitedBoxes) {
  MainWindow main;
  ASSERT_NE(nullptr, main.get());
  HMODULE library = LoadLibraryW(L"VemMisc.dll");
  ASSERT_NE(nullptr, library);
  const auto show = Export<ShowBox>(library, "VTMessageBoxW");
  const auto setTitle = Export<SetTitle>(library, "VTSetMessageBoxTitleW");
  const auto wait = Export<WaitForBoxes>(library, "VTisMessageBoxReaded");
  const std::wstring caption = L"VemMisc owner test";
  setTitle(caption.c_str());

  EXPECT_EQ(main.get(), OwnerOfBox(show, caption, 1));
  EXPECT_EQ(1, wait());
  // Mode 0 boxes have no owner.
  EXPECT_EQ(nullptr, OwnerOfBox(show, caption, 0));
  // The owner is kept, even once a later window exists.
  MainWindow later;
  EXPECT_EQ(main.get(), OwnerOfBox(show, caption, 1));
  EXPECT_EQ(1, wait());

  FreeLibrary(library);
  EXPECT_TRUE(WaitUntilUnloaded());
}

TEST(WindowsBoxOwner, NoWindowAtFirstCallMeansNoOwnerForGood) {
  HMODULE library = LoadLibraryW(L"VemMisc.dll");
  ASSERT_NE(nullptr, library);
  const auto show = Export<ShowBox>(library, "VTMessageBoxW");
  const auto setTitle = Export<SetTitle>(library, "VTSetMessageBoxTitleW");
  const auto wait = Export<WaitForBoxes>(library, "VTisMessageBoxReaded");
  const std::wstring caption = L"VemMisc no owner test";
  setTitle(caption.c_str());

  // The first call (showing nothing) looks for the owner and finds none.
  EXPECT_EQ(0, show(nullptr, nullptr, 1, 3));
  MainWindow main;
  EXPECT_EQ(nullptr, OwnerOfBox(show, caption, 1));
  EXPECT_EQ(1, wait());

  FreeLibrary(library);
  EXPECT_TRUE(WaitUntilUnloaded());
}

}  // namespace
}  // namespace testing
}  // namespace vem
