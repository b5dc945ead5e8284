#include "tests/msgbox/x_display.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace vem_test {
namespace {

Display* AsDisplay(void* display) { return static_cast<Display*>(display); }

// Whether the window manager lists `window` among its clients.
bool IsListedClient(Display* display, Window window) {
  Atom type;
  int format;
  unsigned long count, remaining;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, DefaultRootWindow(display), XInternAtom(display, "_NET_CLIENT_LIST", False), 0, 4096,
                         False, XA_WINDOW, &type, &format, &count, &remaining, &data) != Success ||
      data == nullptr) {
    return false;
  }
  const Window* clients = reinterpret_cast<const Window*>(data);
  const bool listed = std::find(clients, clients + count, window) != clients + count;
  XFree(data);
  return listed;
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
  XWindowAttributes attributes{};
  // A window mapped while the window manager is still starting may be left
  // unmanaged; it is mapped anew each second until the manager lists it.
  for (int tries = 0; tries < 15; ++tries) {
    XUnmapWindow(display, window);
    XMapWindow(display, window);
    XSync(display, False);
    for (int polls = 0; polls < 50; ++polls) {
      if (IsListedClient(display, window) && XGetWindowAttributes(display, window, &attributes) &&
          attributes.map_state == IsViewable) {
        return window;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  return 0;
}

void XDisplayForTests::ListGoneClient() {
  Display* display = AsDisplay(display_);
  const Atom list = XInternAtom(display, "_NET_CLIENT_LIST", False);
  const Window gone = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
  XDestroyWindow(display, gone);
  XChangeProperty(display, DefaultRootWindow(display), list, XA_WINDOW, 32, PropModePrepend,
                  reinterpret_cast<const unsigned char*>(&gone), 1);
  XSync(display, False);
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

int XDisplayForTests::LongestDarkRun(unsigned long window, int x, int y, int width, int height) {
  XImage* image = XGetImage(AsDisplay(display_), window, x, y, static_cast<unsigned>(width),
                            static_cast<unsigned>(height), AllPlanes, ZPixmap);
  if (image == nullptr) return 0;
  int longest = 0;
  for (int row = 0; row < height; ++row) {
    for (int column = 0, run = 0; column < width; ++column) {
      const unsigned long pixel = XGetPixel(image, column, row);
      run = ((pixel >> 16 & 0xFF) + (pixel >> 8 & 0xFF) + (pixel & 0xFF)) < 3 * 100 ? run + 1 : 0;
      longest = std::max(longest, run);
    }
  }
  XDestroyImage(image);
  return longest;
}

}  // namespace vem_test
