// Definitions shared by every public header of VemMisc: the export macro and
// the UTF-16 character type.
#ifndef VEMMISC_INCLUDE_VEMMISCDEFS_H_
#define VEMMISC_INCLUDE_VEMMISCDEFS_H_

#include <cstdint>

// VEMMISC_API marks what the library exports. Everything else stays hidden
// (Linux builds with -fvisibility=hidden).
#if defined(_WIN32)
#if defined(VEMMISC_BUILDING)
#define VEMMISC_API __declspec(dllexport)
#else
#define VEMMISC_API __declspec(dllimport)
#endif
#else
#define VEMMISC_API __attribute__((visibility("default")))
#endif

// One UTF-16 code unit: wchar_t is 16 bits on Windows only.
#if defined(_WIN32)
typedef wchar_t VemWChar;
#else
typedef char16_t VemWChar;
#endif

#endif  // VEMMISC_INCLUDE_VEMMISCDEFS_H_
