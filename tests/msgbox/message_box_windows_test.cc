// The Win32 dialog where it differs from the Linux one, which the GUI tests
// read in full: the icons it loads, the commands that end it, and large
// messages in its edit control. Boxes are found by caption from a thread of
// the test and read back through the window system.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>

#include "VemMsgBox.h"
#include "msgbox/dialog_ids.h"

namespace vem_test {
namespace {

// Sets a caption for the next box of its own, so that a box left by a
// failed case is never taken for the next.
std::wstring OwnCaption(const std::wstring& name) {
  VTSetMessageBoxTitleW((L"VemMisc box test " + name).c_str());
  return L"VemMisc box test " + name;
}

// The visible dialog with this caption, once there is one.
HWND FindBox(const std::wstring& caption, std::chrono::seconds patience) {
  for (const auto deadline = std::chrono::steady_clock::now() + patience; std::chrono::steady_clock::now() < deadline;
       std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
    const HWND box = FindWindowW(L"#32770", caption.c_str());  // the dialog class
    if (box != nullptr && IsWindowVisible(box)) return box;
  }
  return nullptr;
}

// Each kind's icon and the emblem as the window's icon, as the library's
// resources hold them. Commands 1 to 7 end a box with their id, others not
// at all.
TEST(WindowsBox, KindsShowTheirIconsAndCommandsEndTheBox) {
  const HMODULE library = GetModuleHandleW(L"VemMisc.dll");
  const int icons[][2] = {{0, 110}, {1, 111}, {2, 107}, {3, 106}, {4, 111}, {-1, 111}};
  for (const auto& [kind, icon] : icons) {
    SCOPED_TRACE(kind);
    const WORD ending = static_cast<WORD>(kind + 3);  // 2 to 7; the large messages end with 1
    const std::wstring caption = OwnCaption(std::to_wstring(kind));
    std::thread user([&] {
      const HWND box = FindBox(caption, std::chrono::seconds(10));
      ASSERT_NE(nullptr, box);
      EXPECT_EQ(LoadIconW(library, MAKEINTRESOURCEW(icon)),
                reinterpret_cast<HICON>(SendDlgItemMessageW(box, VEM_CONTROL_KIND_ICON, STM_GETICON, 0, 0)));
      EXPECT_EQ(LoadIconW(library, MAKEINTRESOURCEW(VEM_ICON_WINDOW)),
                reinterpret_cast<HICON>(SendMessageW(box, WM_GETICON, ICON_BIG, 0)));
      for (WORD id : {WORD{8}, WORD{0}, ending}) PostMessageW(box, WM_COMMAND, id, 0);
    });
    EXPECT_EQ(ending, VTMessageBoxW(L"c", L"m", kind, VT_MSGBOX_MODAL));
    user.join();
  }
}

// `size` units of seeded words of 1 to 12 letters, a CR LF every
// size / `lines` units (none for 0).
std::wstring Words(std::size_t size, std::size_t lines) {
  std::mt19937 random(15);
  std::wstring text;
  const std::size_t line_length = lines == 0 ? size + 1 : size / lines;
  for (std::size_t next_break = line_length; text.size() < size; text += L' ') {
    if (text.size() >= next_break) text += L"\r\n", next_break += line_length;
    text.append(std::uniform_int_distribution<std::size_t>(1, 12)(random), static_cast<wchar_t>('a' + random() % 26));
  }
  return text;
}

struct MessageSize {
  const char* name;
  std::size_t units, lines;
};
constexpr MessageSize kMessageSizes[] = {{"SixtyFourKibibytesOnOneLine", 1 << 16, 0},
                                         {"OneMebibyteOnOneLine", 1 << 20, 0},
                                         {"OneMebibyteInTenThousandLines", 1 << 20, 10000},
                                         {"SixteenMebibytesOnOneLine", 16 << 20, 0}};

// Large messages are in the field whole, and scrolling to the bottom brings
// their end into sight. Wine's edit control takes from seconds to minutes
// to lay them out, so these cases run by hand only (see CMakeLists.txt); each
// prints how long its box took to appear with the text in it.
class WindowsBoxSizes : public ::testing::TestWithParam<MessageSize> {};

TEST_P(WindowsBoxSizes, HoldsTheWholeTextAndScrollsToItsEnd) {
  const std::wstring message = Words(GetParam().units, GetParam().lines);
  const auto start = std::chrono::steady_clock::now();
  const std::wstring caption = OwnCaption(L"sized");
  std::thread user([&] {
    const HWND box = FindBox(caption, std::chrono::seconds(1800)), field = GetDlgItem(box, VEM_CONTROL_MESSAGE);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(static_cast<LRESULT>(message.size()), SendMessageW(field, WM_GETTEXTLENGTH, 0, 0));
    std::printf("%s: shown after %.1f s\n", GetParam().name,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    SendMessageW(field, WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_GT(SendMessageW(field, EM_GETFIRSTVISIBLELINE, 0, 0) + 30, SendMessageW(field, EM_GETLINECOUNT, 0, 0));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  });
  EXPECT_EQ(1, VTMessageBoxW(L"sized", message.c_str(), 1, VT_MSGBOX_MODAL));
  user.join();
}

INSTANTIATE_TEST_SUITE_P(Sizes, WindowsBoxSizes, ::testing::ValuesIn(kMessageSizes),
                         [](const auto& size) { return std::string(size.param.name); });

}  // namespace
}  // namespace vem_test
