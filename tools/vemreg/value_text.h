// Value types and data as the command line writes them: type names such as
// "REG_SZ", data given with /d, and data shown by query.
#ifndef VEMMISC_TOOLS_VEMREG_VALUE_TEXT_H_
#define VEMMISC_TOOLS_VEMREG_VALUE_TEXT_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vem {

// The value of a hex digit in either letter case, or -1 for any other character.
int HexDigitValue(char c);

// "REG_SZ", "REG_BINARY", ...; for a type without a name, "REG_0x1234".
std::string ValueTypeName(uint32_t type);

// The types that add accepts (those reg.exe's add lists), by name without
// regard to letter case.
bool ParseValueTypeName(std::string_view name, uint32_t* type);

// The bytes that /d `text` (absent: no /d) stands for with `type`, as reg.exe
// reads it: REG_SZ, REG_EXPAND_SZ and REG_NONE as UTF-16 text with a
// terminating zero; REG_MULTI_SZ strings separated by "\0" or by the one
// character of /s `separator`; REG_DWORD and REG_QWORD in decimal or with
// 0x in hex; REG_BINARY as hex digits. False with *error set to reg.exe's
// message when the text does not fit the type.
bool ParseValueData(uint32_t type, const std::optional<std::string>& text, const std::optional<std::string>& separator,
                    std::vector<uint8_t>* data, std::string* error);

// The data as query shows it: text up to its terminating zero (REG_MULTI_SZ's
// strings joined by "\0"), numbers as 0x-prefixed hex, everything else (and
// numbers of the wrong size) as upper-case hex digits.
std::string FormatValueData(uint32_t type, const std::vector<uint8_t>& data);

}  // namespace vem

#endif  // VEMMISC_TOOLS_VEMREG_VALUE_TEXT_H_
