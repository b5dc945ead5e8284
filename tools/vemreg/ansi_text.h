// Text of REGEDIT4 registration files. Such files come from the ANSI world of
// Windows; vemreg reads and writes them in Windows-1252, the ANSI code page
// of Western-European Windows and of Wine's default setup, so that a file
// keeps its letters between vemreg, regedit and Wine.
#ifndef VEMMISC_TOOLS_VEMREG_ANSI_TEXT_H_
#define VEMMISC_TOOLS_VEMREG_ANSI_TEXT_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vem {

// The UTF-16 code unit of a Windows-1252 byte. The five bytes the code page
// leaves undefined map to the control characters of the same number, as
// Windows maps them.
uint16_t AnsiToUnit(uint8_t byte);

// Windows-1252 bytes as UTF-8, and as UTF-16LE bytes.
std::string AnsiToUtf8(std::string_view bytes);
std::vector<uint8_t> AnsiToUtf16Le(const std::vector<uint8_t>& bytes);

// UTF-16LE bytes, or UTF-8 text, as Windows-1252 bytes appended to *out;
// false (with *out partly written) when a character has no byte in the code
// page, or the UTF-16 ends in the middle of a unit.
bool Utf16LeToAnsi(const std::vector<uint8_t>& bytes, std::string* out);
bool Utf8ToAnsi(std::string_view text, std::string* out);

}  // namespace vem

#endif  // VEMMISC_TOOLS_VEMREG_ANSI_TEXT_H_
