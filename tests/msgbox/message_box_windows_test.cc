// The Win32 message box as a user meets it: boxes found by caption from the
// test thread, read back through the window system, and ended with the
// messages and keys a user's actions produce.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "VemMsgBox.h"
#include "msgbox/dialog_ids.h"
#include "tests/msgbox/large_messages.h"

namespace vem_test {
namespace {

std::wstring Text(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, &text[0], static_cast<int>(text.size()))));
  return text;
}

// Polls for up to `patience` until `done` holds, handling this thread's
// messages meanwhile (a box owned by one of its windows would wait for them).
bool PollUntil(const std::function<bool()>& done, std::chrono::seconds patience = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// The visible dialogs with this caption, once there are `count` (or
// `patience` on).
std::vector<HWND> Boxes(const std::wstring& caption, std::size_t count = 1,
                        std::chrono::seconds patience = std::chrono::seconds(10)) {
  std::pair<const std::wstring*, std::vector<HWND>> search{&caption, {}};
  PollUntil(
      [&] {
        search.second.clear();
        EnumWindows(
            [](HWND window, LPARAM found) {
              auto* s = reinterpret_cast<decltype(search)*>(found);
              wchar_t name[16] = {};
              GetClassNameW(window, name, 16);  // #32770: the dialog class
              if (std::wstring(name) == L"#32770" && IsWindowVisible(window) && Text(window) == *s->first) {
                s->second.push_back(window);
              }
              return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.second.size() >= count;
      },
      patience);
  return search.second;
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

// The application's main window, on a thread of its own with its own
// message loop; made before the first box, so it is the owner of the
// awaited and modal boxes. (This test comes first in the program.)
TEST(WindowsBox, OwnerIsDisabledWhileAnAwaitedBoxIsOpen) {
  static std::promise<HWND> made;
  std::thread([] {
    made.set_value(CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200, nullptr,
                                   nullptr, nullptr, nullptr));
    for (MSG message; GetMessageW(&message, nullptr, 0, 0) > 0;) DispatchMessageW(&message);
  }).detach();
  const HWND main = made.get_future().get();
  const std::wstring caption = OwnCaption();
  for (std::int32_t mode : {1, 0}) {
    ASSERT_EQ(0, VTMessageBoxW(L"owner", L"m", 1, mode));
    const HWND box = Boxes(caption).at(0);
    EXPECT_EQ(mode == 1 ? main : nullptr, GetWindow(box, GW_OWNER)) << mode;
    EXPECT_EQ(mode != 1, IsWindowEnabled(main) != FALSE) << mode;
    Command(box, IDOK);
    EXPECT_TRUE(PollUntil([&] { return !IsWindow(box) && IsWindowEnabled(main); })) << mode;
  }
  EXPECT_EQ(1, VTisMessageBoxReaded());
}

// Each kind's icon beside the comment, the texts as given (line breaks,
// control characters, lone surrogates), the template's texts for null ones,
// and the emblem as the window's icon.
TEST(WindowsBox, ShowsCaptionIconCommentAndMessage) {
  const std::wstring caption = OwnCaption(), odd = OddUnits();  // VemWChar is wchar_t here
  const struct {
    const wchar_t *comment, *message;
    std::int32_t kind;
    const wchar_t *shownComment, *shownMessage;
    int icon, lines;
  } cases[] = {{L"Disk almost full", L"one\r\ntwo\r\nthree", 0, L"Disk almost full", L"one\r\ntwo\r\nthree", 110, 3},
               {nullptr, nullptr, 1, L"The comment is absent for this message", L"Undefined error", 111, 1},
               {L"", L"", 2, L"", L"", 107, 1},
               {odd.c_str(), odd.c_str(), 3, odd.c_str(), odd.c_str(), 106, 1},
               {L"c", L"m", 4, L"c", L"m", 111, 1},
               {L"c", L"m", -1, L"c", L"m", 111, 1}};
  const HMODULE library = GetModuleHandleW(L"VemMisc.dll");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    ASSERT_EQ(0, VTMessageBoxW(c.comment, c.message, c.kind, 1));
    const HWND box = Boxes(caption).at(0);
    EXPECT_EQ(c.shownComment, Text(GetDlgItem(box, VEM_CONTROL_COMMENT)));
    EXPECT_EQ(c.shownMessage, Text(GetDlgItem(box, VEM_CONTROL_MESSAGE)));
    EXPECT_EQ(c.lines, SendDlgItemMessageW(box, VEM_CONTROL_MESSAGE, EM_GETLINECOUNT, 0, 0));
    EXPECT_NE(0, GetWindowLongW(GetDlgItem(box, VEM_CONTROL_MESSAGE), GWL_STYLE) & ES_READONLY);
    EXPECT_EQ(LoadIconW(library, MAKEINTRESOURCEW(c.icon)),
              reinterpret_cast<HICON>(SendDlgItemMessageW(box, VEM_CONTROL_KIND_ICON, STM_GETICON, 0, 0)));
    EXPECT_EQ(LoadIconW(library, MAKEINTRESOURCEW(VEM_ICON_WINDOW)),
              reinterpret_cast<HICON>(SendMessageW(box, WM_GETICON, ICON_BIG, 0)));
    Command(box, IDOK);
    EXPECT_EQ(1, VTisMessageBoxReaded());
  }
  // A null title is the executable's path.
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  VTSetMessageBoxTitleW(nullptr);
  ASSERT_EQ(0, VTMessageBoxA("narrow", "texts", 1, 1));
  const HWND box = Boxes(path).at(0);
  EXPECT_EQ(L"narrow", Text(GetDlgItem(box, VEM_CONTROL_COMMENT)));
  Command(box, IDOK);
  EXPECT_EQ(1, VTisMessageBoxReaded());
}

// OK, Enter and a click end a modal box with 1, Esc and the close button
// with 2; commands 1 to 7 end it with their id, others leave it open.
TEST(WindowsBox, EachWayOfClosingGivesItsEndCode) {
  const std::wstring caption = OwnCaption();
  const auto key = [](HWND box, WPARAM code) {  // typed into the focused control: OK at first
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &info);
    const HWND focus = info.hwndFocus;
    EXPECT_EQ(GetDlgItem(box, IDOK), focus);
    PostMessageW(focus, WM_KEYDOWN, code, 1);
    PostMessageW(focus, WM_KEYUP, code, 1 | (3u << 30));
  };
  const std::vector<std::pair<std::function<void(HWND)>, std::int32_t>> ways = {
      {[](HWND box) { Command(box, IDOK); }, 1},
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
  for (const auto& way : ways) {
    std::thread user([&] { way.first(Boxes(caption).at(0)); });
    EXPECT_EQ(way.second, VTMessageBoxW(L"c", L"m", 1, 2));
    user.join();
  }
}

// The wait returns once every awaited box has closed, the seventieth one
// included (one wait on several handles takes 64), and ignores mode 0 boxes;
// other modes show nothing.
TEST(WindowsBox, WaitEndsWithTheLastAwaitedBox) {
  const std::wstring caption = OwnCaption();
  EXPECT_EQ(0, VTMessageBoxW(L"c", L"m", 1, 3));
  EXPECT_EQ(0, VTMessageBoxW(L"c", L"m", 1, -1));
  ASSERT_EQ(0, VTMessageBoxW(L"not awaited", L"m", 1, 0));
  std::vector<HWND> boxes;
  for (std::size_t i = 2; i <= 71; ++i) {  // one at a time: Wine's X11 driver needs it
    ASSERT_EQ(0, VTMessageBoxW(L"c", std::to_wstring(i).c_str(), 1, 1));
    boxes = Boxes(caption, i);
  }
  ASSERT_EQ(71u, boxes.size());
  HWND last = nullptr;
  for (HWND box : boxes) {
    const std::wstring message = Text(GetDlgItem(box, VEM_CONTROL_MESSAGE));
    if (message == L"71") last = box;
    if (message != L"71" && message != L"m") Command(box, IDOK);
  }
  auto waited = std::async(std::launch::async, VTisMessageBoxReaded);
  EXPECT_TRUE(PollUntil([&] { return Boxes(caption, 0).size() == 2; }));
  EXPECT_EQ(std::future_status::timeout, waited.wait_for(std::chrono::milliseconds(200)));
  Command(last, IDOK);
  EXPECT_EQ(1, waited.get());
  EXPECT_EQ(1u, Boxes(caption, 0).size()) << "the mode 0 box stays open";
  Command(Boxes(caption).at(0), IDOK);
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
  const std::vector<HWND> boxes = Boxes(caption, 1, std::chrono::seconds(1800));
  ASSERT_EQ(1u, boxes.size());
  const HWND field = GetDlgItem(boxes[0], VEM_CONTROL_MESSAGE);
  EXPECT_EQ(static_cast<LRESULT>(message.size()), SendMessageW(field, WM_GETTEXTLENGTH, 0, 0));
  std::printf("%s: shown after %.1f s\n", GetParam().name,
              std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  SendMessageW(field, WM_VSCROLL, SB_BOTTOM, 0);
  const LRESULT lines = SendMessageW(field, EM_GETLINECOUNT, 0, 0);
  EXPECT_GT(SendMessageW(field, EM_GETFIRSTVISIBLELINE, 0, 0) + 30, lines) << "the end is out of sight";
  Command(boxes[0], IDOK);
  EXPECT_EQ(1, VTisMessageBoxReaded());
}

INSTANTIATE_TEST_SUITE_P(Sizes, WindowsBoxSizes, ::testing::ValuesIn(kMessageSizes),
                         [](const auto& size) { return std::string(size.param.name); });

}  // namespace
}  // namespace vem_test
