// Conversion between UTF-16 and UTF-8 where the library hands text to a world
// that speaks UTF-8: registry string values, which the registry keeps as
// UTF-16LE, and the texts given to the message box's helper program.
//
// Malformed input never fails: an unpaired surrogate, and every maximal
// subpart of a malformed UTF-8 sequence, becomes U+FFFD.
#ifndef VEMMISC_TEXT_UTF16_TEXT_H_
#define VEMMISC_TEXT_UTF16_TEXT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "VemMiscDefs.h"

namespace vem {

// UTF-16LE bytes to UTF-8, unit for unit (zero units included). A trailing
// odd byte is ignored.
std::string Utf16LeToUtf8(const uint8_t* data, size_t size);

// Zero-terminated UTF-16 text to UTF-8 (without the terminator).
std::string WideToUtf8(const VemWChar* text);

// size bytes of UTF-8 to UTF-16LE bytes (zero bytes included).
std::vector<uint8_t> Utf8ToUtf16Le(const char* text, size_t size);

}  // namespace vem

#endif  // VEMMISC_TEXT_UTF16_TEXT_H_
