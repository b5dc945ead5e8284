#include "msgbox/message_dialog_windows.h"

#include <string>

namespace vem {
namespace {

// Objects whose dialog is being created, one at most per thread: DialogBoxParamW
// sends the new window several messages (WM_SETFONT first) before
// WM_INITDIALOG could carry a pointer, so the window procedure finds its object
// here by thread id at the first message. The lock and the list head are
// constant-initialised plain data: nothing to construct at load or destroy at
// unload.
SRWLOCK g_creating_lock = SRWLOCK_INIT;
CIMessageBox* g_creating_head = nullptr;

// The instance whose resources hold the dialog template: the library itself,
// whatever its file is called.
HINSTANCE OwnInstance() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&OwnInstance), &module);
  return module;
}

// Loads one of the library's icons; null without a module or the icon.
HICON LoadOwnIcon(HMODULE module, int id) {
  return module != nullptr ? LoadIconW(module, MAKEINTRESOURCEW(id)) : nullptr;
}

}  // namespace

CIMessageBox::CIMessageBox(const wchar_t* comment, const wchar_t* message, std::int32_t kind, HMODULE module,
                           CaptionSource& caption)
    : m_pszComment(comment), m_pszMessage(message), m_nKind(kind), module_(module), caption_(caption) {}

INT_PTR CIMessageBox::DoModal(HWND owner) {
  creating_thread_ = GetCurrentThreadId();
  AcquireSRWLockExclusive(&g_creating_lock);
  next_creating_ = g_creating_head;
  g_creating_head = this;
  ReleaseSRWLockExclusive(&g_creating_lock);

  const INT_PTR result = DialogBoxParamW(OwnInstance(), MAKEINTRESOURCEW(IDD), owner, &DialogProc, 0);

  // A dialog that was never created left this object in the list.
  TakeCreatingObject();
  return result;
}

// Removes and returns the object of the calling thread from the list; null
// when it has none.
CIMessageBox* CIMessageBox::TakeCreatingObject() {
  const DWORD thread = GetCurrentThreadId();
  AcquireSRWLockExclusive(&g_creating_lock);
  CIMessageBox* found = nullptr;
  for (CIMessageBox** link = &g_creating_head; *link != nullptr; link = &(*link)->next_creating_) {
    if ((*link)->creating_thread_ == thread) {
      found = *link;
      *link = found->next_creating_;
      found->next_creating_ = nullptr;
      break;
    }
  }
  ReleaseSRWLockExclusive(&g_creating_lock);
  return found;
}

// The dialog procedure: binds the window to its object at the first message
// (DWLP_USER holds the object from then on) and hands every message to it.
INT_PTR CALLBACK CIMessageBox::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* box = reinterpret_cast<CIMessageBox*>(GetWindowLongPtrW(window, DWLP_USER));
  if (box == nullptr) {
    box = TakeCreatingObject();
    if (box == nullptr) return FALSE;
    box->m_hWnd = window;
    SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(box));
  }
  if (message == WM_NCDESTROY) {
    // The window's last message: the object no longer has a window.
    SetWindowLongPtrW(window, DWLP_USER, 0);
    box->m_hWnd = nullptr;
    return FALSE;
  }
  LRESULT result = 0;
  if (!box->ProcessWindowMessage(window, message, wParam, lParam, &result)) return FALSE;
  // WM_INITDIALOG answers through the return value (TRUE: default focus);
  // other handled messages through DWLP_MSGRESULT.
  if (message == WM_INITDIALOG) return static_cast<INT_PTR>(result);
  SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
  return TRUE;
}

BOOL CIMessageBox::ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM, LRESULT* result) {
  switch (message) {
    case WM_INITDIALOG: *result = OnInitDialog(); return TRUE;
    case WM_COMMAND: {
      // IDOK .. IDNO, whatever the notification code: only OK is a control,
      // Enter presses it, and Esc and the close button come as IDCANCEL.
      const WORD id = LOWORD(wParam);
      if (id < IDOK || id > IDNO) return FALSE;
      EndDialog(window, id);
      *result = 0;
      return TRUE;
    }
    default: return FALSE;
  }
}

int CIMessageBox::IconForKind(std::int32_t kind) {
  switch (kind) {
    case 0: return VEM_ICON_QUESTION;
    case 2: return VEM_ICON_WARNING;
    case 3: return VEM_ICON_ERROR;
    default: return VEM_ICON_INFORMATION;
  }
}

LRESULT CIMessageBox::OnInitDialog() {
  // The first box shown without a title makes the executable's path the
  // caption of every box.
  const std::wstring caption = caption_.Caption();
  SetWindowTextW(m_hWnd, caption.c_str());

  if (HICON windowIcon = LoadOwnIcon(module_, VEM_ICON_WINDOW)) {
    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(windowIcon));
  }

  SetDlgItemTextW(m_hWnd, VEM_CONTROL_MESSAGE, m_pszMessage != nullptr ? m_pszMessage : L"Undefined error");
  if (m_pszComment != nullptr) SetDlgItemTextW(m_hWnd, VEM_CONTROL_COMMENT, m_pszComment);

  // Without the kind's icon the template's error picture stays.
  if (HICON kindIcon = LoadOwnIcon(module_, IconForKind(m_nKind))) {
    SendDlgItemMessageW(m_hWnd, VEM_CONTROL_KIND_ICON, STM_SETICON, reinterpret_cast<WPARAM>(kindIcon), 0);
  }
  // The dialog manager then focuses the first tab stop, the OK button.
  return TRUE;
}

}  // namespace vem
