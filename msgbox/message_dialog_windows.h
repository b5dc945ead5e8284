// CIMessageBox: the message box dialog on Windows, dialog template 1001 of the
// library's resources run modally with DialogBoxParamW. The class carries its
// own small binding of dialog window to object (there is no ATL with
// mingw-w64): every message of the window, from the first one on, reaches
// ProcessWindowMessage of the object that called DoModal.
#ifndef VEMMISC_MSGBOX_MESSAGE_DIALOG_WINDOWS_H
#define VEMMISC_MSGBOX_MESSAGE_DIALOG_WINDOWS_H

#include <windows.h>

#include <cstdint>

namespace vem {

class MessageBoxService;

class CIMessageBox {
 public:
  // Resource ids of the dialog, its controls and its icons.
  enum {
    IDD = 1001,
    kMessageField = 1005,
    kKindIcon = 1008,
    kComment = 1009,
    kWindowIcon = 105,
    kErrorIcon = 106,
    kWarningIcon = 107,
    kQuestionIcon = 110,
    kInformationIcon = 111
  };

  // The texts are borrowed, not copied: they must outlive DoModal. Null keeps
  // the template's comment, and shows "Undefined error" for the message.
  // `state` supplies the caption and the module whose icons are shown.
  CIMessageBox(const wchar_t* comment, const wchar_t* message, std::int32_t kind,
               MessageBoxService& state);
  CIMessageBox(const CIMessageBox&) = delete;
  CIMessageBox& operator=(const CIMessageBox&) = delete;

  // Shows the dialog modally on the calling thread, owned by `owner` (may be
  // null). Returns the code given to EndDialog (1 OK, 2 cancelled), or -1
  // when the dialog cannot be created.
  INT_PTR DoModal(HWND owner);

  // The message map. True when the message was handled, with its result in
  // *result.
  BOOL ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                            LRESULT* result);

  // The icon resource shown for a kind of box.
  static int IconForKind(std::int32_t kind);

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static CIMessageBox* TakeCreatingObject();
  LRESULT OnInitDialog();

  HWND m_hWnd = nullptr;
  const wchar_t* m_pszComment;
  const wchar_t* m_pszMessage;
  std::int32_t m_nKind;
  MessageBoxService& state_;
  // Links of the list of objects whose dialog is being created, keyed by the
  // creating thread (see DoModal).
  DWORD creatingThread_ = 0;
  CIMessageBox* nextCreating_ = nullptr;
};

}  // namespace vem

#endif  // VEMMISC_MSGBOX_MESSAGE_DIALOG_WINDOWS_H
