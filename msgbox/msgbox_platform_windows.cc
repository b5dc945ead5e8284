// The message box on Windows: the dialog of the library's own resources
// (CIMessageBox), Win32 threads and events, the owner among the process's
// top-level windows.
#include <windows.h>

#include <algorithm>
#include <new>

#include "msgbox/message_box_service.h"
#include "msgbox/message_dialog_windows.h"
#include "msgbox/msgbox_platform.h"

namespace vem {
namespace {

// The pending list keeps events as 32-bit values. Kernel handles carry only
// 32 significant bits on 64-bit Windows, and are widened back by sign
// extension, as the system documents for handles shared with 32-bit code.
EventHandle NarrowHandle(HANDLE handle) { return static_cast<EventHandle>(reinterpret_cast<std::uintptr_t>(handle)); }

HANDLE WidenHandle(EventHandle event) {
  return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(static_cast<std::int32_t>(event)));
}

BOOL CALLBACK TakeFirstOwnTopLevelWindow(HWND window, LPARAM found) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId() || GetParent(window) != nullptr) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// What a display thread starts with. `library` is a reference to our own
// module taken for the thread: FreeLibrary by the caller cannot unmap the code
// of a box that is still open, and the thread drops it as it exits.
struct DisplayThreadStart {
  void (*body)(void* argument);
  void* argument;
  HMODULE library;
};

DWORD WINAPI RunDisplayThread(void* parameter) {
  const DisplayThreadStart start = *static_cast<DisplayThreadStart*>(parameter);
  delete static_cast<DisplayThreadStart*>(parameter);
  start.body(start.argument);
  // Never returns: the library may be unloaded by this call, so no code of
  // ours runs after it.
  FreeLibraryAndExitThread(start.library, 0);
}

class WindowsMessageBoxPlatform final : public MessageBoxPlatform {
 public:
  ModuleHandle FindOwnModule() override { return GetModuleHandleW(L"VemMisc.dll"); }

  WindowHandle FindOwnerWindow() override {
    HWND owner = nullptr;
    EnumWindows(&TakeFirstOwnTopLevelWindow, reinterpret_cast<LPARAM>(&owner));
    return reinterpret_cast<WindowHandle>(owner);
  }

  bool ExecutablePath(std::wstring* path) override {
    wchar_t buffer[MessageBoxService::kTitleCapacity] = {};
    if (GetModuleFileNameW(nullptr, buffer, MessageBoxService::kTitleCapacity) == 0) return false;
    buffer[MessageBoxService::kTitleCapacity - 1] = 0;
    path->assign(buffer);
    return true;
  }

  std::int32_t RunDialog(const DialogRequest& request, CaptionSource& caption) override {
    CIMessageBox box(request.comment, request.message, request.kind,
                     static_cast<HMODULE>(const_cast<void*>(request.module)), caption);
    return static_cast<std::int32_t>(box.DoModal(reinterpret_cast<HWND>(request.owner)));
  }

  bool NewEvent(EventHandle* event) override {
    // Auto-reset, not signalled, unnamed.
    HANDLE handle = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (handle == nullptr) return false;
    *event = NarrowHandle(handle);
    return true;
  }

  void SignalEvent(EventHandle event) override { SetEvent(WidenHandle(event)); }

  // WaitForMultipleObjects takes at most 64 handles; longer lists are waited
  // for in chunks of 64, one after the other.
  void WaitForAllEvents(const EventHandle* events, std::int32_t count) override {
    HANDLE chunk[MAXIMUM_WAIT_OBJECTS];
    for (std::int32_t first = 0; first < count; first += MAXIMUM_WAIT_OBJECTS) {
      const std::int32_t size = std::min<std::int32_t>(MAXIMUM_WAIT_OBJECTS, count - first);
      for (std::int32_t i = 0; i < size; ++i) chunk[i] = WidenHandle(events[first + i]);
      WaitForMultipleObjects(static_cast<DWORD>(size), chunk, TRUE, INFINITE);
    }
  }

  void CloseEvent(EventHandle event) override { CloseHandle(WidenHandle(event)); }

  bool StartDisplayThread(void (*body)(void* argument), void* argument) override {
    HMODULE library = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&RunDisplayThread),
                            &library)) {
      return false;
    }
    auto* start = new (std::nothrow) DisplayThreadStart{body, argument, library};
    HANDLE thread = start != nullptr ? CreateThread(nullptr, 0, &RunDisplayThread, start, 0, nullptr) : nullptr;
    if (thread == nullptr) {
      delete start;
      FreeLibrary(library);
      return false;
    }
    CloseHandle(thread);
    return true;
  }

  // Each display thread holds the library loaded until it ends, so there is
  // nothing to end here; at process exit the system has stopped them already.
  void EndDisplayThreads() override {}
};

}  // namespace

std::unique_ptr<MessageBoxPlatform> NewMessageBoxPlatform() { return std::make_unique<WindowsMessageBoxPlatform>(); }

}  // namespace vem
