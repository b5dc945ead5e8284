// The owner of a process's dialogs under X11: the first top-level client
// window of the process, in the window manager's client list order
// (_NET_CLIENT_LIST), whose _NET_WM_PID is the process's id and which has no
// WM_TRANSIENT_FOR of its own.
#ifndef VEMMISC_MSGBOX_HELPER_OWNER_SEARCH_X11_H_
#define VEMMISC_MSGBOX_HELPER_OWNER_SEARCH_X11_H_

#include <X11/Xlib.h>

namespace vem {

// The owner window of process `pid`, or 0 (None) when no window qualifies or
// the window manager keeps no client list.
Window FindOwnerWindowOfProcess(Display* display, long pid);

}  // namespace vem

#endif  // VEMMISC_MSGBOX_HELPER_OWNER_SEARCH_X11_H_
