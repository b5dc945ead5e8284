// UTF-16 to UTF-8, for texts handed to programs that speak UTF-8.
#ifndef VEMMISC_MSGBOX_WIDE_TO_UTF8_H
#define VEMMISC_MSGBOX_WIDE_TO_UTF8_H

#include <string>

#include "VemMiscDefs.h"

namespace vem {

// Converts a terminated UTF-16 text. A surrogate without its partner becomes
// U+FFFD, so the result is always valid UTF-8.
std::string WideToUtf8(const VemWChar* text);

}  // namespace vem

#endif  // VEMMISC_MSGBOX_WIDE_TO_UTF8_H
