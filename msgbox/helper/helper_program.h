// The helper program's work, shared by the installed vemmsgbox and by the test
// build of it, which differ only in what they do once a box is on screen.
#ifndef VEMMISC_MSGBOX_HELPER_HELPER_PROGRAM_H_
#define VEMMISC_MSGBOX_HELPER_HELPER_PROGRAM_H_

#include "msgbox/helper/message_dialog.h"

namespace vem {

// Runs the helper with its command line:
//   vemmsgbox                  reads the box's request from standard input
//   vemmsgbox --owner-of PID   writes the owner window of process PID
// Returns the exit status. `shown` (may be null) runs once the box is mapped.
int RunHelperProgram(int argc, char** argv, DialogShownHook shown);

}  // namespace vem

#endif  // VEMMISC_MSGBOX_HELPER_HELPER_PROGRAM_H_
