// Resource ids of the message box: its dialog template, the controls the code
// addresses, and the icon groups. The resource script includes this header
// too, so it holds preprocessor definitions only.
#ifndef VEMMISC_MSGBOX_DIALOG_IDS_H_
#define VEMMISC_MSGBOX_DIALOG_IDS_H_

#define VEM_DIALOG_MESSAGE_BOX 1001

// Controls besides IDOK (1); the label and the frame have no id of their own.
#define VEM_CONTROL_MESSAGE 1005
#define VEM_CONTROL_KIND_ICON 1008
#define VEM_CONTROL_COMMENT 1009

// Icon groups: the window's icon, then one per kind of box.
#define VEM_ICON_WINDOW 105
#define VEM_ICON_ERROR 106
#define VEM_ICON_WARNING 107
#define VEM_ICON_QUESTION 110
#define VEM_ICON_INFORMATION 111

#endif  // VEMMISC_MSGBOX_DIALOG_IDS_H_
