// CIMessageBox: the message box dialog on Windows, dialog template 1001 of the
// library's resources run modally with DialogBoxParamW. The class carries its
// own small binding of dialog window to object (there is no ATL with
// mingw-w64): every message of the window, from the first one on, reaches
// ProcessWindowMessage of the object that called DoModal.
#ifndef VEMMISC_MSGBOX_MESSAGE_DIALOG_WINDOWS_H_
#define VEMMISC_MSGBOX_MESSAGE_DIALOG_WINDOWS_H_

#include <windows.h>

#include <cstdint>

#include "msgbox/dialog_ids.h"
#include "msgbox/msgbox_platform.h"

namespace vem {

class CIMessageBox {
 public:
  // The dialog's template, as the framework names it.
  enum { IDD = VEM_DIALOG_MESSAGE_BOX };

  // The texts are borrowed, not copied: they must outlive DoModal. Null keeps
  // the template's comment, and shows "Undefined error" for the message.
  // The icons come from `module` (none when null); the caption from `caption`.
  CIMessageBox(const wchar_t* comment, const wchar_t* message, std::int32_t kind, HMODULE module,
               CaptionSource& caption);
  CIMessageBox(const CIMessageBox&) = delete;
  CIMessageBox& operator=(const CIMessageBox&) = delete;

  // Shows the dialog modally on the calling thread, owned by `owner` (may be
  // null). Returns the code given to EndDialog (1 OK, 2 cancelled), or -1
  // when the dialog cannot be created.
  INT_PTR DoModal(HWND owner);

  // The message map. True when the message was handled, with its result in
  // *result.
  BOOL ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

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
  HMODULE module_;
  CaptionSource& caption_;
  // Links of the list of objects whose dialog is being created, keyed by the
  // creating thread (see DoModal).
  DWORD creating_thread_ = 0;
  CIMessageBox* next_creating_ = nullptr;
};

}  // namespace vem

#endif  // VEMMISC_MSGBOX_MESSAGE_DIALOG_WINDOWS_H_
