// The Win32 dialog where it differs from the Linux one, which the GUI tests
// read in full: the icons it loads, the commands that end it, and large
// messages in its edit control. Each box is found by a caption of its own
// from a thread of the test, so that a box left by a failed case is never
// taken for the next, and read back through the window system.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "VemMsgBox.h"
#include "msgbox/dialog_ids.h"

namespace vem_test {
namespace {

// A box of kind `kind` with `units` letters in words of 12, in `lines` lines
// ended by CR LF (one unended line for 0), ended by command `ending`.
struct BoxRow {
  const char* name;
  std::int32_t kind;
  int icon;
  std::size_t units, lines;
  WORD ending;
};

class WindowsBox : public ::testing::TestWithParam<BoxRow> {};

// The kind's icon and the emblem as the window's icon, as the library's
// resources hold them; the message whole, its end in sight once the field
// is scrolled to the bottom. Commands 1 to 7 end a box with their id, others
// not at all. Wine's edit control takes from seconds to minutes to lay out
// large messages, so those run by hand only (see CMakeLists.txt); each box
// prints how long it took to appear with its text in it.
TEST_P(WindowsBox, ShowsTheKindsIconAndTheWholeMessageAndEndsByCommand) {
  const BoxRow& row = GetParam();
  std::wstring message;
  for (std::size_t i = 1; i <= row.units; ++i) {
    message += i % 13 == 0 ? L' ' : static_cast<wchar_t>(L'a' + i % 26);
    if (row.lines != 0 && i % (row.units / row.lines) == 0) message += L"\r\n";
  }
  const std::wstring caption = L"VemMisc box test " + std::wstring(row.name, row.name + strlen(row.name));
  VTSetMessageBoxTitleW(caption.c_str());
  const auto start = std::chrono::steady_clock::now();
  std::thread user([&] {
    HWND box = nullptr;
    while (std::chrono::steady_clock::now() < start + std::chrono::minutes(30) &&
           (box == nullptr || !IsWindowVisible(box))) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      box = FindWindowW(L"#32770", caption.c_str());  // the dialog class
    }
    ASSERT_NE(nullptr, box);
    std::printf("%s: shown after %.1f s\n", row.name,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    const HMODULE library = GetModuleHandleW(L"VemMisc.dll");
    EXPECT_EQ(LoadIconW(library, MAKEINTRESOURCEW(row.icon)),
              reinterpret_cast<HICON>(SendDlgItemMessageW(box, VEM_CONTROL_KIND_ICON, STM_GETICON, 0, 0)));
    EXPECT_EQ(LoadIconW(library, MAKEINTRESOURCEW(VEM_ICON_WINDOW)),
              reinterpret_cast<HICON>(SendMessageW(box, WM_GETICON, ICON_BIG, 0)));
    const HWND field = GetDlgItem(box, VEM_CONTROL_MESSAGE);
    EXPECT_EQ(static_cast<LRESULT>(message.size()), SendMessageW(field, WM_GETTEXTLENGTH, 0, 0));
    SendMessageW(field, WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_GT(SendMessageW(field, EM_GETFIRSTVISIBLELINE, 0, 0) + 30, SendMessageW(field, EM_GETLINECOUNT, 0, 0));
    for (WORD id : {WORD{8}, WORD{0}, row.ending}) PostMessageW(box, WM_COMMAND, id, 0);
  });
  EXPECT_EQ(row.ending, VTMessageBoxW(L"c", message.c_str(), row.kind, VT_MSGBOX_MODAL));
  user.join();
}

INSTANTIATE_TEST_SUITE_P(Kinds, WindowsBox,
                         ::testing::Values(BoxRow{"Question", 0, 110, 40, 0, 2},
                                           BoxRow{"Information", 1, 111, 40, 0, 3}, BoxRow{"Warning", 2, 107, 40, 2, 4},
                                           BoxRow{"Error", 3, 106, 40, 0, 5}, BoxRow{"Four", 4, 111, 40, 0, 6},
                                           BoxRow{"MinusOne", -1, 111, 40, 0, 7}),
                         [](const auto& row) { return std::string(row.param.name); });
INSTANTIATE_TEST_SUITE_P(Sizes, WindowsBox,
                         ::testing::Values(BoxRow{"SixtyFourKibibytesOnOneLine", 1, 111, 1 << 16, 0, 1},
                                           BoxRow{"OneMebibyteOnOneLine", 1, 111, 1 << 20, 0, 1},
                                           BoxRow{"OneMebibyteInTenThousandLines", 1, 111, 1 << 20, 10000, 1},
                                           BoxRow{"SixteenMebibytesOnOneLine", 1, 111, 16 << 20, 0, 1}),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace vem_test
