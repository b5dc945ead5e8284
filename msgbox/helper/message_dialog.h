// The message box dialog as the helper draws it with GTK 3.
#ifndef VEMMISC_MSGBOX_HELPER_MESSAGE_DIALOG_H
#define VEMMISC_MSGBOX_HELPER_MESSAGE_DIALOG_H

#include "msgbox/helper_protocol.h"

namespace vem {

// Shows the box that `request` describes until the user closes it; returns
// the helper's exit status (kHelperExitOk, kHelperExitCancelled, or
// kHelperExitCannotShow when there is no display to show it on).
int RunMessageDialog(const FieldRecord& request);

}  // namespace vem

#endif  // VEMMISC_MSGBOX_HELPER_MESSAGE_DIALOG_H
