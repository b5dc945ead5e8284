#include "tests/msgbox/x_display.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace vem {
namespace testing {
namespace {

Display* AsDisplay(void* display) { return static_cast<Display*>(display); }

// The items of property `name` of `window`, at most `limit` of them (Xlib
// hands 32-bit items over as longs, 8-bit ones as bytes); empty when unset.
template <typename Item>
std::vector<Item> ReadProperty(Display* display, Window window, const char* name, Atom type, long limit) {
  Atom actual_type;
  int format;
  unsigned long count;
  unsigned long remaining;
  unsigned char* data = nullptr;
  std::vector<Item> items;
  if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, limit, False, type, &actual_type,
                         &format, &count, &remaining, &data) == Success &&
      data != nullptr) {
    const Item* listed = reinterpret_cast<const Item*>(data);
    items.assign(listed, listed + count);
    XFree(data);
  }
  return items;
}

}  // namespace

XDisplayForTests::XDisplayForTests() : display_(XOpenDisplay(nullptr)) {}

XDisplayForTests::~XDisplayForTests() {
  if (display_ != nullptr) XCloseDisplay(AsDisplay(display_));
}

unsigned long XDisplayForTests::CreateOwnWindow() {
  Display* display = AsDisplay(display_);
  const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 100, 100, 600, 500, 0, 0,
                                            WhitePixel(display, DefaultScreen(display)));
  const long pid = getpid();
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&pid), 1);
  XStoreName(display, window, "owner");
  // A position the user chose: the window manager keeps it rather than
  // placing the window itself later.
  XSizeHints hints{};
  hints.flags = USPosition | USSize;
  hints.x = 100;
  hints.y = 100;
  hints.width = 600;
  hints.height = 500;
  XSetWMNormalHints(display, window, &hints);
  XMapWindow(display, window);
  XSync(display, False);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  XWindowAttributes attributes{};
  while (!IsListedClient(window) || !XGetWindowAttributes(display, window, &attributes) ||
         attributes.map_state != IsViewable) {
    if (std::chrono::steady_clock::now() > deadline) return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return window;
}

std::vector<unsigned long> XDisplayForTests::ClientWindows() {
  Display* display = AsDisplay(display_);
  return ReadProperty<unsigned long>(display, DefaultRootWindow(display), "_NET_CLIENT_LIST", XA_WINDOW, 4096);
}

bool XDisplayForTests::IsListedClient(unsigned long window) {
  const std::vector<unsigned long> windows = ClientWindows();
  return std::find(windows.begin(), windows.end(), window) != windows.end();
}

long XDisplayForTests::WindowProcess(unsigned long window) {
  const std::vector<unsigned long> process =
      ReadProperty<unsigned long>(AsDisplay(display_), window, "_NET_WM_PID", XA_CARDINAL, 1);
  return process.size() == 1 ? static_cast<long>(process[0]) : 0;
}

std::string XDisplayForTests::Title(unsigned long window) {
  Display* display = AsDisplay(display_);
  const std::vector<char> title =
      ReadProperty<char>(display, window, "_NET_WM_NAME", XInternAtom(display, "UTF8_STRING", False), 1 << 20);
  return std::string(title.begin(), title.end());
}

int XDisplayForTests::LongestDarkRun(unsigned long window, const Rect& area) {
  Display* display = AsDisplay(display_);
  XImage* image = XGetImage(display, window, area.x, area.y, static_cast<unsigned>(area.width),
                            static_cast<unsigned>(area.height), AllPlanes, ZPixmap);
  if (image == nullptr) return 0;
  int longest = 0;
  for (int y = 0; y < area.height; ++y) {
    int run = 0;
    for (int x = 0; x < area.width; ++x) {
      const unsigned long pixel = XGetPixel(image, x, y);
      const bool dark = ((pixel >> 16 & 0xFF) + (pixel >> 8 & 0xFF) + (pixel & 0xFF)) < 3 * 100;
      run = dark ? run + 1 : 0;
      longest = std::max(longest, run);
    }
  }
  XDestroyImage(image);
  return longest;
}

XDisplayForTests::Rect XDisplayForTests::ScreenRect(unsigned long window) {
  Display* display = AsDisplay(display_);
  XWindowAttributes attributes{};
  XGetWindowAttributes(display, window, &attributes);
  int x = 0;
  int y = 0;
  Window child;
  XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
  return Rect{x, y, attributes.width, attributes.height};
}

void XDisplayForTests::RequestClose(unsigned long window) {
  Display* display = AsDisplay(display_);
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "_NET_CLOSE_WINDOW", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = CurrentTime;
  event.xclient.data.l[1] = 2;  // on behalf of the user
  XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
  XFlush(display);
}

}  // namespace testing
}  // namespace vem
