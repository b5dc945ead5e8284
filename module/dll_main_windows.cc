// Entry point of VemMisc.dll. Global objects are constructed and destroyed by
// the runtime around this function (see globals.cc); the entry point itself
// has nothing to refuse, so it reports success for every reason.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
