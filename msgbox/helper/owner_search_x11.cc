#include "msgbox/helper/owner_search_x11.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

namespace vem {
namespace {

// Reads a property of 32-bit items (returned by Xlib as longs).
class Property {
 public:
  Property(Display* display, Window window, Atom name, Atom type) {
    Atom actual_type = None;
    int actual_format = 0;
    unsigned long remaining = 0;
    if (XGetWindowProperty(display, window, name, 0, 1 << 20, False, type, &actual_type, &actual_format, &count_,
                           &remaining, &data_) != Success ||
        actual_type != type || actual_format != 32) {
      count_ = 0;
    }
  }
  ~Property() {
    if (data_ != nullptr) XFree(data_);
  }
  Property(const Property&) = delete;
  Property& operator=(const Property&) = delete;

  unsigned long count() const { return count_; }
  unsigned long at(unsigned long index) const { return reinterpret_cast<const unsigned long*>(data_)[index]; }

 private:
  unsigned char* data_ = nullptr;
  unsigned long count_ = 0;
};

}  // namespace

Window FindOwnerWindowOfProcess(Display* display, long pid) {
  const Atom client_list = XInternAtom(display, "_NET_CLIENT_LIST", False);
  const Atom wm_pid = XInternAtom(display, "_NET_WM_PID", False);
  const Property clients(display, DefaultRootWindow(display), client_list, XA_WINDOW);
  for (unsigned long i = 0; i < clients.count(); ++i) {
    const Window window = clients.at(i);
    const Property owner_pid(display, window, wm_pid, XA_CARDINAL);
    if (owner_pid.count() != 1 || static_cast<long>(owner_pid.at(0)) != pid) continue;
    Window transient_for = None;
    if (XGetTransientForHint(display, window, &transient_for) && transient_for != None) continue;
    return window;
  }
  return None;
}

}  // namespace vem
