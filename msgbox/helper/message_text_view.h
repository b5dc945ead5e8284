// The message field: read-only text with word wrap and a vertical scroll
// bar, for texts of any length. Only the lines in sight are laid out and
// drawn; the wrap of the whole text is worked out from remembered character
// widths (line_wrap.h), so a long message costs one linear pass, not a
// layout of the whole text.
//
// Keys when it has the focus: Up and Down scroll by a line, Page Up and Page
// Down by a page, Home and End (with or without Ctrl) to either end, Ctrl+A
// selects the whole text, Ctrl+C (or Ctrl+Insert) copies the selection. Tab,
// Enter and Esc are left to the dialog. The mouse selects by dragging.
#ifndef VEMMISC_MSGBOX_HELPER_MESSAGE_TEXT_VIEW_H_
#define VEMMISC_MSGBOX_HELPER_MESSAGE_TEXT_VIEW_H_

#include <gtk/gtk.h>

#include <string>

namespace vem {

// A new field showing `text` (valid UTF-8), tab stops every `tab_stop`
// pixels. The widget owns its copy of the text.
GtkWidget* NewMessageTextView(std::string text, int tab_stop);

// The text the field shows.
const std::string& MessageTextOf(GtkWidget* view);

}  // namespace vem

#endif  // VEMMISC_MSGBOX_HELPER_MESSAGE_TEXT_VIEW_H_
