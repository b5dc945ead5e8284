// The Win32 message box as a user meets it: the dialog found by its caption
// from another thread, its texts and icons read back through the window
// system, and ended with the messages and keys a user's actions produce.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <thread>

#include "VemMsgBox.h"
#include "msgbox/dialog_ids.h"
#include "box_window_windows.h"

namespace vem {
namespace testing {
namespace {

constexpr int kOk = 1;
constexpr int kCommentControl = VEM_CONTROL_COMMENT;
constexpr int kMessageControl = VEM_CONTROL_MESSAGE;
constexpr int kIconControl = VEM_CONTROL_KIND_ICON;

HMODULE Library() { return GetModuleHandleW(L"VemMisc.dll"); }

HICON LibraryIcon(int id) { return LoadIconW(Library(), MAKEINTRESOURCEW(id)); }

// Every test shows its boxes under a caption of its own, so that a box left
// over by a failed test is never taken for one of the next.
std::wstring UniqueCaption() {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string name = std::string(test->test_suite_name()) + "." + test->name();
  std::wstring caption = L"VemMisc box test ";
  caption.append(name.begin(), name.end());
  VTSetMessageBoxTitleW(caption.c_str());
  return caption;
}

// Shows a mode 2 box on this thread while `act` runs on another thread with
// the box once it appears; returns the box's end code.
int32_t ShowModal(const std::wstring& caption, const std::function<void(HWND)>& act,
                  const wchar_t* comment = L"comment", const wchar_t* message = L"message") {
  std::thread actor([&] {
    HWND box = WaitForBox(caption);
    if (box != nullptr) act(box);
  });
  const int32_t result = VTMessageBoxW(comment, message, VT_MSGBOX_INFORMATION, VT_MSGBOX_MODAL);
  actor.join();
  return result;
}

// Shows one awaited box, hands it to `inspect`, then closes it and waits.
void InspectAwaitedBox(const std::wstring& caption, const wchar_t* comment, const wchar_t* message,
                       int32_t kind, const std::function<void(HWND)>& inspect) {
  ASSERT_EQ(0, VTMessageBoxW(comment, message, kind, VT_MSGBOX_ASYNC_AWAITED));
  HWND box = WaitForBox(caption);
  ASSERT_NE(nullptr, box);
  inspect(box);
  SendCommand(box, IDOK);
  EXPECT_EQ(1, VTisMessageBoxReaded());
  EXPECT_FALSE(IsWindow(box));
}

// --- What the box shows -----------------------------------------------------

TEST(WindowsBoxContent, ShowsTheGivenCommentMessageAndCaption) {
  const std::wstring caption = UniqueCaption();
  InspectAwaitedBox(caption, L"Disk almost full", L"Line one\r\nLine two\r\nLine three",
                    VT_MSGBOX_WARNING, [&](HWND box) {
                      EXPECT_EQ(caption, WindowText(box));
                      EXPECT_EQ(L"Disk almost full", ControlText(box, kCommentControl));
                      EXPECT_EQ(L"Line one\r\nLine two\r\nLine three", ControlText(box, kMessageControl));
                      // CR LF starts new lines in the message field.
                      EXPECT_EQ(3, SendDlgItemMessageW(box, kMessageControl, EM_GETLINECOUNT, 0, 0));
                    });
}

TEST(WindowsBoxContent, NullTextsShowTheDefaults) {
  const std::wstring caption = UniqueCaption();
  InspectAwaitedBox(caption, nullptr, nullptr, VT_MSGBOX_ERROR, [](HWND box) {
    EXPECT_EQ(L"The comment is absent for this message", ControlText(box, kCommentControl));
    EXPECT_EQ(L"Undefined error", ControlText(box, kMessageControl));
  });
}

TEST(WindowsBoxContent, EmptyMessageStaysEmptyAndFieldIsReadOnly) {
  const std::wstring caption = UniqueCaption();
  InspectAwaitedBox(caption, L"", L"", VT_MSGBOX_ERROR, [](HWND box) {
    EXPECT_EQ(L"", ControlText(box, kCommentControl));
    EXPECT_EQ(L"", ControlText(box, kMessageControl));
    EXPECT_NE(0, GetWindowLongW(GetDlgItem(box, kMessageControl), GWL_STYLE) & ES_READONLY);
  });
}

TEST(WindowsBoxContent, NarrowTextsAreConverted) {
  const std::wstring caption = UniqueCaption();
  ASSERT_EQ(0, VTMessageBoxA("narrow comment", "narrow message", 1, VT_MSGBOX_ASYNC_AWAITED));
  HWND box = WaitForBox(caption);
  ASSERT_NE(nullptr, box);
  EXPECT_EQ(L"narrow comment", ControlText(box, kCommentControl));
  EXPECT_EQ(L"narrow message", ControlText(box, kMessageControl));
  SendCommand(box, IDOK);
  VTisMessageBoxReaded();
}

TEST(WindowsBoxContent, LongestCaptionIsShownWholeAndLongerOnesAreCut) {
  std::wstring longest(259, L'x');
  longest.back() = L'y';
  VTSetMessageBoxTitleW(longest.c_str());
  ASSERT_EQ(0, VTMessageBoxW(L"c", L"m", 1, VT_MSGBOX_ASYNC_AWAITED));
  HWND box = WaitForBox(longest);
  ASSERT_NE(nullptr, box);
  SendCommand(box, IDOK);
  VTisMessageBoxReaded();

  const std::wstring tooLong = longest + L"zzz";
  VTSetMessageBoxTitleW(tooLong.c_str());
  ASSERT_EQ(0, VTMessageBoxW(L"c", L"m", 1, VT_MSGBOX_ASYNC_AWAITED));
  box = WaitForBox(longest);
  ASSERT_NE(nullptr, box);
  SendCommand(box, IDOK);
  VTisMessageBoxReaded();
}

TEST(WindowsBoxContent, NullTitleShowsTheExecutablePath) {
  VTSetMessageBoxTitleW(nullptr);
  wchar_t path[MAX_PATH] = {};
  ASSERT_NE(0u, GetModuleFileNameW(nullptr, path, MAX_PATH));
  ASSERT_EQ(0, VTMessageBoxW(L"c", L"m", 1, VT_MSGBOX_ASYNC_AWAITED));
  HWND box = WaitForBox(path);
  ASSERT_NE(nullptr, box);
  SendCommand(box, IDOK);
  VTisMessageBoxReaded();
}

// --- Icons ------------------------------------------------------------------

// The icon in the frame is the library's own icon for the kind; the window
// icon is the emblem whatever the kind.
TEST(WindowsBoxIcons, KindChoosesTheLibraryIcon) {
  const std::wstring caption = UniqueCaption();
  ASSERT_NE(nullptr, Library());
  const struct {
    int32_t kind;
    int icon;
  } cases[] = {{0, 110}, {1, 111}, {2, 107}, {3, 106}, {4, 111}, {-1, 111}};
  std::set<HICON> kindIcons;
  const HICON emblem = LibraryIcon(105);
  ASSERT_NE(nullptr, emblem);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    InspectAwaitedBox(caption, L"c", L"m", c.kind, [&](HWND box) {
      const HICON shown = reinterpret_cast<HICON>(
          SendDlgItemMessageW(box, kIconControl, STM_GETICON, 0, 0));
      EXPECT_NE(nullptr, shown);
      EXPECT_EQ(LibraryIcon(c.icon), shown);
      if (c.kind >= 0 && c.kind <= 3) kindIcons.insert(shown);
      EXPECT_EQ(emblem, reinterpret_cast<HICON>(SendMessageW(box, WM_GETICON, ICON_BIG, 0)));
    });
  }
  EXPECT_EQ(4u, kindIcons.size());
}

// --- How a box ends ---------------------------------------------------------

TEST(WindowsBoxEnd, OkAndCancelCommandsGiveTheirCodes) {
  const std::wstring caption = UniqueCaption();
  EXPECT_EQ(1, ShowModal(caption, [](HWND box) { SendCommand(box, IDOK); }));
  EXPECT_EQ(2, ShowModal(caption, [](HWND box) { SendCommand(box, IDCANCEL); }));
  // A click on OK arrives as IDOK with the BN_CLICKED code.
  EXPECT_EQ(1, ShowModal(caption, [](HWND box) {
              SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
            }));
}

TEST(WindowsBoxEnd, CommandsOneToSevenEndWithTheirIdAndOthersAreIgnored) {
  const std::wstring caption = UniqueCaption();
  EXPECT_EQ(7, ShowModal(caption, [](HWND box) { SendCommand(box, IDNO); }));
  EXPECT_EQ(3, ShowModal(caption, [](HWND box) { SendCommand(box, IDABORT, 1); }));
  // Id 8 and id 0 leave the box open: the OK that follows ends it.
  EXPECT_EQ(1, ShowModal(caption, [](HWND box) {
              SendCommand(box, 8);
              SendCommand(box, 0);
              SendCommand(box, IDOK);
            }));
}

TEST(WindowsBoxEnd, KeyboardAndCloseButton) {
  const std::wstring caption = UniqueCaption();
  EXPECT_EQ(1, ShowModal(caption, [](HWND box) {
              // The OK button has the focus when the box opens.
              EXPECT_EQ(GetDlgItem(box, kOk), FocusedControl(box));
              PressKey(box, VK_RETURN);
            }));
  EXPECT_EQ(2, ShowModal(caption, [](HWND box) { PressKey(box, VK_ESCAPE); }));
  EXPECT_EQ(2, ShowModal(caption, [](HWND box) { PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0); }));
}

// --- Modes and the wait -----------------------------------------------------

TEST(WindowsBoxModes, OtherModesShowNothing) {
  const std::wstring caption = UniqueCaption();
  EXPECT_EQ(0, VTMessageBoxW(L"c", L"m", 1, 3));
  EXPECT_EQ(0, VTMessageBoxW(L"c", L"m", 1, -1));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(nullptr, FindWindowW(L"#32770", caption.c_str()));
  EXPECT_EQ(1, VTisMessageBoxReaded());
}

TEST(WindowsBoxModes, WaitReturnsOnlyAfterEveryAwaitedBoxClosed) {
  const std::wstring caption = UniqueCaption();
  ASSERT_EQ(0, VTMessageBoxW(L"first", L"m", 1, VT_MSGBOX_ASYNC_AWAITED));
  ASSERT_EQ(0, VTMessageBoxW(L"second", L"m", 1, VT_MSGBOX_ASYNC_AWAITED));
  const std::vector<HWND> boxes = WaitForBoxes(caption, 2);
  ASSERT_EQ(2u, boxes.size());

  std::atomic<bool> waitReturned{false};
  std::thread waiter([&] {
    EXPECT_EQ(1, VTisMessageBoxReaded());
    waitReturned = true;
  });
  SendCommand(boxes[0], IDOK);
  ASSERT_TRUE(WaitUntilGone(boxes[0]));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(waitReturned);
  SendCommand(boxes[1], IDCANCEL);
  waiter.join();
  EXPECT_TRUE(waitReturned);
  // Nothing is awaited any more.
  EXPECT_EQ(1, VTisMessageBoxReaded());
}

TEST(WindowsBoxModes, ModeZeroBoxIsNotWaitedFor) {
  const std::wstring caption = UniqueCaption();
  ASSERT_EQ(0, VTMessageBoxW(L"c", L"m", 1, VT_MSGBOX_ASYNC));
  HWND box = WaitForBox(caption);
  ASSERT_NE(nullptr, box);
  EXPECT_EQ(1, VTisMessageBoxReaded());
  EXPECT_TRUE(IsWindow(box));
  SendCommand(box, IDOK);
  EXPECT_TRUE(WaitUntilGone(box));
}

// More boxes than one wait on several handles takes: the box left open last
// is the seventieth, whose event is beyond the first 64.
TEST(WindowsBoxModes, WaitCoversMoreThanSixtyFourBoxes) {
  const std::wstring caption = UniqueCaption();
  constexpr int kBoxes = 70;
  // One box at a time: Wine's X11 driver does not survive dozens of threads
  // creating their windows at the same moment.
  std::vector<HWND> boxes;
  for (int i = 0; i < kBoxes; ++i) {
    const std::wstring message = L"box " + std::to_wstring(i);
    ASSERT_EQ(0, VTMessageBoxW(L"many", message.c_str(), 1, VT_MSGBOX_ASYNC_AWAITED));
    boxes = WaitForBoxes(caption, i + 1);
  }
  ASSERT_EQ(static_cast<std::size_t>(kBoxes), boxes.size());
  HWND last = nullptr;
  for (HWND box : boxes) {
    if (ControlText(box, kMessageControl) == L"box 69") {
      last = box;
    } else {
      SendCommand(box, IDOK);
    }
  }
  ASSERT_NE(nullptr, last);

  std::atomic<bool> waitReturned{false};
  std::thread waiter([&] {
    VTisMessageBoxReaded();
    waitReturned = true;
  });
  for (HWND box : boxes) {
    if (box != last) {
      EXPECT_TRUE(WaitUntilGone(box));
    }
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(waitReturned);
  SendCommand(last, IDOK);
  waiter.join();
  EXPECT_TRUE(waitReturned);
}

}  // namespace
}  // namespace testing
}  // namespace vem
