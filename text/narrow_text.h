// The library's one conversion of narrow text to UTF-16, used for name keys
// and for the narrow forms of the message box functions.
//
// Windows converts from the ANSI code page (system or thread). Elsewhere the
// narrow encoding is UTF-8: every malformed sequence becomes one U+FFFD per
// maximal subpart, so conversion never fails, 7-bit ASCII maps byte for byte,
// and code points above U+FFFF become surrogate pairs.
#ifndef VEMMISC_TEXT_NARROW_TEXT_H_
#define VEMMISC_TEXT_NARROW_TEXT_H_

#include <cstdint>
#include <string>

#include "VemMiscDefs.h"

namespace vem {

// Windows: CP_ACP / CP_THREAD_ACP. Elsewhere both mean UTF-8.
enum class NarrowCodePage { kSystem, kThread };

// Converts NUL-terminated narrow text to UTF-16 (without the terminator in
// *out). Returns false only when the platform conversion fails (never on
// Linux); *out is then empty. A null text converts to the empty string.
bool NarrowToWide(const char* text, NarrowCodePage page, std::basic_string<VemWChar>* out);

// The name hash of narrow text converted with the system code page: exactly
// the hash of NarrowToWide's result. A null text, or one the platform cannot
// convert, hashes to 0.
uint32_t HashNarrowText(const char* text);

// One step of the name hash.
inline uint32_t HashStep(uint32_t hash, uint16_t unit) { return hash * 31u + unit; }

// Continues hash over the run of 7-bit ASCII bytes at *text, which every
// narrow conversion maps to code units of the same value, and leaves *text
// at the first byte that is NUL or not ASCII. Four bytes fold into one step,
// h * 31^4 + a * 31^3 + b * 31^2 + c * 31 + d, which shortens the chain of
// dependent multiplications fourfold. Each byte is tested before the next is
// read, so nothing past the terminator is touched.
inline uint32_t HashAsciiRun(const unsigned char** text, uint32_t hash) {
  const unsigned char* bytes = *text;
  auto is_ascii = [](unsigned char c) { return c - 1u < 0x7Fu; };  // NUL excluded
  while (is_ascii(bytes[0]) && is_ascii(bytes[1]) && is_ascii(bytes[2]) && is_ascii(bytes[3])) {
    hash = hash * (31u * 31u * 31u * 31u) + bytes[0] * (31u * 31u * 31u) + bytes[1] * (31u * 31u) + bytes[2] * 31u +
           bytes[3];
    bytes += 4;
  }
  while (is_ascii(*bytes)) hash = HashStep(hash, *bytes++);
  *text = bytes;
  return hash;
}

}  // namespace vem

#endif  // VEMMISC_TEXT_NARROW_TEXT_H_
