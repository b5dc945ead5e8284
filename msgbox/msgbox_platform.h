// The seam between the portable message box (message_box_service.*) and the
// system that draws dialogs and runs threads. One implementation per platform:
// msgbox_platform_posix.cc (a helper program per box) and
// msgbox_platform_windows.cc (the Win32 dialog of the library's resources).
#ifndef VEMMISC_MSGBOX_MSGBOX_PLATFORM_H_
#define VEMMISC_MSGBOX_MSGBOX_PLATFORM_H_

#include <cstdint>
#include <memory>
#include <string>

#include "VemMiscDefs.h"

namespace vem {

// A top-level window (HWND, X11 window id); 0 is "no window".
using WindowHandle = std::uintptr_t;
// The module that holds the dialog's resources (the library's HMODULE, or the
// library's load address when its helper program is in place); null if none.
using ModuleHandle = const void*;
// An event that a display thread sets when its box has closed. Kept in the
// pending list as an unsigned 32-bit value, as made by NewEvent.
using EventHandle = std::uint32_t;

// What one dialog shows. The texts are borrowed for the length of the run;
// null texts keep the dialog's defaults.
struct DialogRequest {
  const VemWChar* comment;
  const VemWChar* message;
  std::int32_t kind;
  WindowHandle owner;
  ModuleHandle module;  // whose icons the dialog shows; null for none
};

// The caption of every box, which a dialog reads as it initialises.
class CaptionSource {
 public:
  // The caption to show now. The first dialog shown without any title set
  // makes the executable's path the caption of every box.
  virtual std::basic_string<VemWChar> Caption() = 0;

 protected:
  ~CaptionSource() = default;
};

class MessageBoxPlatform {
 public:
  virtual ~MessageBoxPlatform() = default;

  // The module whose resources the dialog uses, or null when it cannot be
  // found (then no dialog can load its icons, and the caller retries later).
  virtual ModuleHandle FindOwnModule() = 0;

  // The first top-level window of this process without an owner of its own,
  // in the window system's order; 0 when there is none.
  virtual WindowHandle FindOwnerWindow() = 0;

  // Full path of the process's executable file; false when it is unknown.
  virtual bool ExecutablePath(std::basic_string<VemWChar>* path) = 0;

  // Shows the dialog modally on the calling thread and returns its end code
  // (1 OK, 2 cancelled), or -1 when it cannot be shown. The dialog reads its
  // caption from `caption` as it initialises.
  virtual std::int32_t RunDialog(const DialogRequest& request, CaptionSource& caption) = 0;

  // Creates an unsignalled event; false when the system refuses. (Named so
  // as not to meet the CreateEvent/SetEvent macros of <windows.h>.)
  virtual bool NewEvent(EventHandle* event) = 0;
  virtual void SignalEvent(EventHandle event) = 0;
  // Blocks until every one of the `count` events has been set (any number).
  virtual void WaitForAllEvents(const EventHandle* events, std::int32_t count) = 0;
  virtual void CloseEvent(EventHandle event) = 0;

  // Runs body(argument) on a new thread. False when the thread cannot be
  // started; body is then not called and `argument` stays the caller's.
  virtual bool StartDisplayThread(void (*body)(void* argument), void* argument) = 0;

  // Called once as the library unloads: afterwards no display thread runs
  // any of the library's code. Platforms whose threads keep the library
  // loaded by themselves do nothing here.
  virtual void EndDisplayThreads() = 0;
};

// The platform of this build (defined by the one platform file compiled in).
std::unique_ptr<MessageBoxPlatform> NewMessageBoxPlatform();

}  // namespace vem

#endif  // VEMMISC_MSGBOX_MSGBOX_PLATFORM_H_
