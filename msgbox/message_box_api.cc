// The exported message box functions: thin forms of the library's service,
// which gets this build's platform at the first call.
#include "VemMsgBox.h"
#include "msgbox/message_box_service.h"

namespace {

vem::MessageBoxService& Service() {
  vem::g_message_box_service.EnsurePlatform(&vem::NewMessageBoxPlatform);
  return vem::g_message_box_service;
}

}  // namespace

extern "C" VEMMISC_API int32_t VTMessageBoxW(const VemWChar* comment, const VemWChar* message, int32_t kind,
                                             int32_t mode) {
  return Service().Show(comment, message, kind, mode);
}

extern "C" VEMMISC_API int32_t VTMessageBoxA(const char* comment, const char* message, int32_t kind, int32_t mode) {
  return Service().ShowNarrow(comment, message, kind, mode);
}

extern "C" VEMMISC_API void VTSetMessageBoxTitleW(const VemWChar* title) { Service().SetTitle(title); }

extern "C" VEMMISC_API void VTSetMessageBoxTitleA(const char* title) { Service().SetTitleNarrow(title); }

extern "C" VEMMISC_API int32_t VTisMessageBoxReaded(void) { return Service().WaitForAwaitedBoxes(); }
