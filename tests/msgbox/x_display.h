// What the message box tests do on the X display themselves, kept apart from
// the test code because Xlib's macros (None, Bool, ...) clash with GoogleTest.
#ifndef VEMMISC_TESTS_MSGBOX_X_DISPLAY_H_
#define VEMMISC_TESTS_MSGBOX_X_DISPLAY_H_

#include <string>
#include <vector>

namespace vem {
namespace testing {

class XDisplayForTests {
 public:
  XDisplayForTests();
  ~XDisplayForTests();
  XDisplayForTests(const XDisplayForTests&) = delete;
  XDisplayForTests& operator=(const XDisplayForTests&) = delete;

  bool IsOpen() const { return display_ != nullptr; }

  // Maps a 600 by 500 top-level window at 100, 100 that says it belongs to
  // this process, and waits until the window manager lists it; 0 on failure.
  unsigned long CreateOwnWindow();

  struct Rect {
    int x, y, width, height;
  };
  // Where `window` is on the screen (its inside, without the frame).
  Rect ScreenRect(unsigned long window);

  // Asks the window manager to close `window`, as its close button does.
  void RequestClose(unsigned long window);

  // The windows the window manager lists, oldest first.
  std::vector<unsigned long> ClientWindows();
  // The process that says it owns the window (_NET_WM_PID), or 0.
  long WindowProcess(unsigned long window);
  // The window's title (_NET_WM_NAME, UTF-8) as the window manager shows it.
  std::string Title(unsigned long window);
  // The longest run of dark pixels in one row of `area` (window coordinates)
  // as the screen shows it: a line drawn across, where text has short runs.
  int LongestDarkRun(unsigned long window, const Rect& area);

 private:
  bool IsListedClient(unsigned long window);

  void* display_;
};

}  // namespace testing
}  // namespace vem

#endif  // VEMMISC_TESTS_MSGBOX_X_DISPLAY_H_
