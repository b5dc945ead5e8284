// Finding and driving message box windows from a test thread, through the
// window system only (as a user or an automation tool would).
#ifndef VEMMISC_TESTS_MSGBOX_BOX_WINDOW_WINDOWS_H
#define VEMMISC_TESTS_MSGBOX_BOX_WINDOW_WINDOWS_H

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace vem {
namespace testing {

// The waits below handle the calling thread's messages meanwhile.

// Waits up to 10 s until `count` visible dialog windows with this caption
// exist, and returns them (fewer when they did not all appear).
std::vector<HWND> WaitForBoxes(const std::wstring& caption, std::size_t count);
// The one box with this caption, or null when none appears within 10 s.
HWND WaitForBox(const std::wstring& caption);
// Waits up to 10 s for `box` to be destroyed; false if it is still there.
bool WaitUntilGone(HWND box);

std::wstring WindowText(HWND window);
std::wstring ControlText(HWND box, int id);

// The control that has the keyboard focus in the box's thread.
HWND FocusedControl(HWND box);

// Ends the box as the OK button, Esc, or the close button would, by posting
// to it the messages these produce (or, for keys, the keys themselves).
void PressKey(HWND box, WPARAM key);
void SendCommand(HWND box, WORD id, WORD notification = 0);

}  // namespace testing
}  // namespace vem

#endif  // VEMMISC_TESTS_MSGBOX_BOX_WINDOW_WINDOWS_H
