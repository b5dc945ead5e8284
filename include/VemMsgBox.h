// The message box: an icon chosen by a kind, a comment beside it, the message
// in a read-only scrolling field below, and one OK button. A box is shown on
// the calling thread (mode 2) or on a thread of its own (modes 0 and 1); boxes
// of mode 1 can be waited for. Every box shows one process-wide caption.
//
// The functions keep process-wide state that nothing guards: call them from
// one thread at a time. Only the caption is guarded, since boxes on their own
// threads read it (and the first may set the default) while a title is set.
#ifndef VEMMISC_INCLUDE_VEMMSGBOX_H_
#define VEMMISC_INCLUDE_VEMMSGBOX_H_

#include "VemMiscDefs.h"

// Kinds (third argument of VTMessageBoxW/A): the icon shown beside the comment.
enum {
  VT_MSGBOX_QUESTION = 0,
  VT_MSGBOX_INFORMATION = 1,  // also every value not listed here
  VT_MSGBOX_WARNING = 2,
  VT_MSGBOX_ERROR = 3
};

// Modes (fourth argument of VTMessageBoxW/A).
enum {
  VT_MSGBOX_ASYNC = 0,          // own thread, no owner window, not waited for
  VT_MSGBOX_ASYNC_AWAITED = 1,  // own thread, owner window, VTisMessageBoxReaded waits for it
  VT_MSGBOX_MODAL = 2           // calling thread, owner window, returns the end code
};

// End codes of a box shown in mode 2.
enum {
  VT_MSGBOX_OK = 1,        // OK pressed, or Enter
  VT_MSGBOX_CANCELLED = 2  // Esc, or the window's close button
};

#ifdef __cplusplus
extern "C" {
#endif

// Shows a box with `comment` (null keeps the text "The comment is absent for
// this message") and `message` (null shows "Undefined error"); both may have
// any length. Modes 0 and 1 copy the texts and return 0 at once; mode 2 returns
// VT_MSGBOX_OK or VT_MSGBOX_CANCELLED when the box is closed; any other mode
// shows nothing and returns 0. Returns -1 when the box cannot be shown (in mode
// 2), or its thread, record or event cannot be created (nothing is then
// awaited). A box that goes away unanswered (on Linux: its helper process
// killed, or its display gone) ends like one that could not be shown: -1 in
// mode 2, and in mode 1 it counts as closed.
VEMMISC_API int32_t VTMessageBoxW(const VemWChar* comment, const VemWChar* message, int32_t kind, int32_t mode);

// VTMessageBoxW with narrow texts in the calling thread's ANSI code page
// (UTF-8 on Linux). A text that cannot be converted is passed on as null.
VEMMISC_API int32_t VTMessageBoxA(const char* comment, const char* message, int32_t kind, int32_t mode);

// Sets the caption of every box shown or initialised from now on. Null sets
// the executable's full path. Titles over 259 UTF-16 units are cut to 259,
// never inside a surrogate pair. Without any call, the caption is the
// executable's full path.
VEMMISC_API void VTSetMessageBoxTitleW(const VemWChar* title);

// VTSetMessageBoxTitleW with a narrow title; one that cannot be converted sets
// the executable's full path.
VEMMISC_API void VTSetMessageBoxTitleA(const char* title);

// Blocks until every mode 1 box shown since the previous call has been closed,
// then forgets them. Returns 1 (at once when there is none).
VEMMISC_API int32_t VTisMessageBoxReaded(void);

#ifdef __cplusplus
}
#endif

#endif  // VEMMISC_INCLUDE_VEMMSGBOX_H_
