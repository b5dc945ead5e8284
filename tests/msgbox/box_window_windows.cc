#include "box_window_windows.h"

#include <chrono>

namespace vem {
namespace testing {
namespace {

constexpr auto kPatience = std::chrono::seconds(10);
constexpr auto kPollInterval = std::chrono::milliseconds(20);

struct BoxSearch {
  const std::wstring* caption;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectBox(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<BoxSearch*>(parameter);
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  // #32770 is the class of every dialog window.
  if (std::wstring(className) == L"#32770" && IsWindowVisible(window) &&
      WindowText(window) == *search->caption) {
    search->found.push_back(window);
  }
  return TRUE;
}

// Waits one poll interval while handling the calling thread's messages: a
// box owned by one of this thread's windows sends it messages as it opens
// and closes, and would otherwise wait for this thread.
void Pause() {
  const auto until = std::chrono::steady_clock::now() + kPollInterval;
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    if (left.count() <= 0) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left.count()), QS_ALLINPUT);
  }
}

}  // namespace

std::vector<HWND> WaitForBoxes(const std::wstring& caption, std::size_t count) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  BoxSearch search{&caption, {}};
  for (;;) {
    search.found.clear();
    EnumWindows(&CollectBox, reinterpret_cast<LPARAM>(&search));
    if (search.found.size() >= count || std::chrono::steady_clock::now() > deadline) break;
    Pause();
  }
  return search.found;
}

HWND WaitForBox(const std::wstring& caption) {
  const std::vector<HWND> boxes = WaitForBoxes(caption, 1);
  return boxes.size() == 1 ? boxes[0] : nullptr;
}

bool WaitUntilGone(HWND box) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (IsWindow(box)) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    Pause();
  }
  return true;
}

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, &text[0], length + 1)));
  return text;
}

std::wstring ControlText(HWND box, int id) { return WindowText(GetDlgItem(box, id)); }

HWND FocusedControl(HWND box) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

void PressKey(HWND box, WPARAM key) {
  HWND target = FocusedControl(box);
  if (target == nullptr) target = box;
  PostMessageW(target, WM_KEYDOWN, key, 1);
  PostMessageW(target, WM_KEYUP, key, 1 | (3u << 30));
}

void SendCommand(HWND box, WORD id, WORD notification) {
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, notification), 0);
}

}  // namespace testing
}  // namespace vem
