// Conversion between the registry's UTF-16 text and narrow (UTF-8) text.
#ifndef VEMMISC_SETTINGS_UTF16_TEXT_H
#define VEMMISC_SETTINGS_UTF16_TEXT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vem {

// UTF-16LE bytes to UTF-8, code unit for code unit (zero units included). A
// trailing odd byte is ignored; an unpaired surrogate becomes U+FFFD.
std::string Utf16LeToUtf8(const uint8_t* data, size_t size);

// UTF-8 text to UTF-16LE bytes (zero bytes included). Each byte that does not
// belong to a valid sequence becomes U+FFFD.
std::vector<uint8_t> Utf8ToUtf16Le(const char* text, size_t size);

}  // namespace vem

#endif  // VEMMISC_SETTINGS_UTF16_TEXT_H
