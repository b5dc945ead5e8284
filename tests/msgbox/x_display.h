// What the message box tests do on the X display themselves, kept apart from
// the test code because Xlib's macros (None, Bool, ...) clash with GoogleTest.
#ifndef VEMMISC_TESTS_MSGBOX_X_DISPLAY_H_
#define VEMMISC_TESTS_MSGBOX_X_DISPLAY_H_

namespace vem_test {

class XDisplayForTests {
 public:
  XDisplayForTests();
  ~XDisplayForTests();
  XDisplayForTests(const XDisplayForTests&) = delete;
  XDisplayForTests& operator=(const XDisplayForTests&) = delete;
  bool IsOpen() const { return display_ != nullptr; }

  // Maps a top-level window that says it belongs to this process and waits
  // until the window manager lists it; 0 on failure.
  unsigned long CreateOwnWindow();
  // Puts a window that no longer exists first in the window manager's list
  // of clients, as the list is just after a client has gone.
  void ListGoneClient();
  // Asks the window manager to close `window`, as its close button does.
  void RequestClose(unsigned long window);
  // The longest run of dark pixels in one row of the rectangle of `window`
  // as the screen shows it: a line drawn across, where text has short runs.
  int LongestDarkRun(unsigned long window, int x, int y, int width, int height);

 private:
  void* display_;
};

}  // namespace vem_test

#endif  // VEMMISC_TESTS_MSGBOX_X_DISPLAY_H_
