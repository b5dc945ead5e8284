// The Win32 message box as a user meets it: boxes found by caption from the
// test thread, read back through the window system, and ended with the
// messages and keys a user's actions produce.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "VemMsgBox.h"
#include "msgbox/dialog_ids.h"
#include "tests/msgbox/box_cases.h"

namespace vem_test {
namespace {

std::wstring Text(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, &text[0], static_cast<int>(text.size()))));
  return text;
}

// The visible dialog with this caption, once there is one (or `patience`
// on: null).
HWND FindBox(const std::wstring& caption, std::chrono::seconds patience = std::chrono::seconds(10)) {
  for (const auto deadline = std::chrono::steady_clock::now() + patience; std::chrono::steady_clock::now() < deadline;
       std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
    const HWND box = FindWindowW(L"#32770", caption.c_str());  // the dialog class
    if (box != nullptr && IsWindowVisible(box)) return box;
  }
  return nullptr;
}

void Command(HWND box, WORD id) { PostMessageW(box, WM_COMMAND, id, 0); }

// A caption of the test's own, so that a box left by a failed test is never
// taken for one of the next.
std::wstring OwnCaption() {
  std::wstring caption = L"VemMisc box test ";
  for (const char* c = ::testing::UnitTest::GetInstance()->current_test_info()->name(); *c; ++c) caption += *c;
  VTSetMessageBoxTitleW(caption.c_str());
  return caption;
}

// Every kind's icon beside the comment, the texts as given (control
// characters, lone surrogates) in a read-only field, the template's texts
// for absent ones, the executable's path as the caption until a title is
// set, and the emblem as the window's icon. Each box is modal and closed
// one way: a click or Enter on OK (focused first) ends it with 1, Esc and
// the close button with 2, commands 1 to 7 with their id, others not at all.
TEST(WindowsBox, EachKindShowsItsTextsAndIconAndEndsAsClosed) {
  const std::wstring own = OwnCaption();
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  const auto key = [](HWND box, WPARAM code) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &info);
    EXPECT_EQ(GetDlgItem(box, IDOK), info.hwndFocus);
    PostMessageW(info.hwndFocus, WM_KEYDOWN, code, 1);
    PostMessageW(info.hwndFocus, WM_KEYUP, code, 1 | (3u << 30));
  };
  const std::vector<std::pair<std::function<void(HWND)>, std::int32_t>> ways = {
      {[](HWND box) { SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0); }, 1},
      {[&](HWND box) { key(box, VK_RETURN); }, 1},
      {[&](HWND box) { key(box, VK_ESCAPE); }, 2},
      {[](HWND box) { PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0); }, 2},
      {[](HWND box) { Command(box, IDNO); }, 7},
      {[](HWND box) {
         Command(box, 8);
         Command(box, 0);
         Command(box, IDABORT);
       },
       3}};
  const HMODULE library = GetModuleHandleW(L"VemMisc.dll");
  std::size_t way = 0;
  for (const BoxCase& c : BoxCases()) {  // VemWChar is wchar_t here
    SCOPED_TRACE(c.kind);
    VTSetMessageBoxTitleW(c.given ? own.c_str() : nullptr);
    const auto& [close, end] = ways[way++ % ways.size()];
    std::thread user([&] {
      const HWND box = FindBox(c.given ? own : path);
      ASSERT_NE(nullptr, box);
      EXPECT_EQ(c.given ? c.text : Widen(kAbsentComment), Text(GetDlgItem(box, VEM_CONTROL_COMMENT)));
      EXPECT_EQ(c.given ? c.text : Widen(kAbsentMessage), Text(GetDlgItem(box, VEM_CONTROL_MESSAGE)));
      EXPECT_NE(0, GetWindowLongW(GetDlgItem(box, VEM_CONTROL_MESSAGE), GWL_STYLE) & ES_READONLY);
      EXPECT_EQ(LoadIconW(library, MAKEINTRESOURCEW(c.iconId)),
                reinterpret_cast<HICON>(SendDlgItemMessageW(box, VEM_CONTROL_KIND_ICON, STM_GETICON, 0, 0)));
      EXPECT_EQ(LoadIconW(library, MAKEINTRESOURCEW(VEM_ICON_WINDOW)),
                reinterpret_cast<HICON>(SendMessageW(box, WM_GETICON, ICON_BIG, 0)));
      close(box);
    });
    const VemWChar* text = c.given ? c.text.c_str() : nullptr;
    EXPECT_EQ(end, VTMessageBoxW(text, text, c.kind, VT_MSGBOX_MODAL));
    user.join();
  }
}

// Large messages are in the field whole, and scrolling to the bottom brings
// their end into sight. Wine's edit control takes from seconds to minutes
// to lay them out, so these cases run by hand only (see CMakeLists.txt); each
// prints how long its box took to appear with the text in it.
class WindowsBoxSizes : public ::testing::TestWithParam<MessageSize> {};

TEST_P(WindowsBoxSizes, HoldsTheWholeTextAndScrollsToItsEnd) {
  const std::wstring caption = OwnCaption();
  const std::wstring message = Words(GetParam().units, GetParam().lines);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(0, VTMessageBoxW(L"sized", message.c_str(), 1, 1));
  const HWND box = FindBox(caption, std::chrono::seconds(1800));
  ASSERT_NE(nullptr, box);
  const HWND field = GetDlgItem(box, VEM_CONTROL_MESSAGE);
  EXPECT_EQ(static_cast<LRESULT>(message.size()), SendMessageW(field, WM_GETTEXTLENGTH, 0, 0));
  std::printf("%s: shown after %.1f s\n", GetParam().name,
              std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  SendMessageW(field, WM_VSCROLL, SB_BOTTOM, 0);
  const LRESULT lines = SendMessageW(field, EM_GETLINECOUNT, 0, 0);
  EXPECT_GT(SendMessageW(field, EM_GETFIRSTVISIBLELINE, 0, 0) + 30, lines) << "the end is out of sight";
  Command(box, IDOK);
  EXPECT_EQ(1, VTisMessageBoxReaded());
}

INSTANTIATE_TEST_SUITE_P(Sizes, WindowsBoxSizes, ::testing::ValuesIn(kMessageSizes),
                         [](const auto& size) { return std::string(size.param.name); });

}  // namespace
}  // namespace vem_test
