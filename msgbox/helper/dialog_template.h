// The message box's dialog template: its size and its controls, in template
// order (which is also the tab order), positions and sizes in dialog units.
#ifndef VEMMISC_MSGBOX_HELPER_DIALOG_TEMPLATE_H_
#define VEMMISC_MSGBOX_HELPER_DIALOG_TEMPLATE_H_

#include "msgbox/dialog_ids.h"

namespace vem {

struct DialogUnitsRect {
  int x;
  int y;
  int width;
  int height;
};

enum class ControlKind { kDefaultButton, kText, kReadOnlyScrollingText, kIcon, kFrame };

struct TemplateControl {
  int id;  // -1 for controls nobody addresses
  ControlKind kind;
  const char* text;
  DialogUnitsRect rect;
};

constexpr int kDialogWidth = 279;
constexpr int kDialogHeight = 178;
constexpr int kOkButtonId = 1;  // IDOK
constexpr int kCommentId = VEM_CONTROL_COMMENT;
constexpr int kMessageId = VEM_CONTROL_MESSAGE;
constexpr int kIconId = VEM_CONTROL_KIND_ICON;

constexpr const char* kAbsentCommentText = "The comment is absent for this message";
constexpr const char* kUndefinedMessageText = "Undefined error";

// The icons, by the names of their sources in msgbox/icons. Control 1008
// starts with the error icon and keeps it when the kind's cannot be loaded.
constexpr const char* kTemplateIconName = "error";
constexpr const char* kWindowIconName = "emblem";

// The icon of a kind: 0 question, 2 warning, 3 error, any other information.
constexpr const char* IconNameForKind(long long kind) {
  return kind == 0 ? "question" : kind == 2 ? "warning" : kind == 3 ? "error" : "information";
}

constexpr TemplateControl kTemplateControls[] = {
    {kOkButtonId, ControlKind::kDefaultButton, "OK", {110, 149, 50, 14}},
    {kCommentId, ControlKind::kText, kAbsentCommentText, {52, 11, 207, 20}},
    {kMessageId, ControlKind::kReadOnlyScrollingText, "", {6, 52, 265, 85}},
    {-1, ControlKind::kText, "Current message:", {10, 41, 62, 8}},
    {kIconId, ControlKind::kIcon, "", {15, 10, 20, 20}},
    {-1, ControlKind::kFrame, "", {7, 1, 37, 34}},
};

}  // namespace vem

#endif  // VEMMISC_MSGBOX_HELPER_DIALOG_TEMPLATE_H_
