// What the message box tests do on the X display themselves, kept apart from
// the test code because Xlib's macros (None, Bool, ...) clash with GoogleTest.
#ifndef VEMMISC_TESTS_MSGBOX_X_DISPLAY_H
#define VEMMISC_TESTS_MSGBOX_X_DISPLAY_H

#include <string>

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

 private:
  bool IsListedClient(unsigned long window);

  void* display_;
};

}  // namespace testing
}  // namespace vem

#endif  // VEMMISC_TESTS_MSGBOX_X_DISPLAY_H
