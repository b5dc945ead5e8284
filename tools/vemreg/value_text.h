// Value types and data as the command line writes them: type names such as
// "REG_SZ", data given with /d, and data shown by query.
#ifndef VEMMISC_TOOLS_VEMREG_VALUE_TEXT_H
#define VEMMISC_TOOLS_VEMREG_VALUE_TEXT_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vem {

// The value of a hex digit in either letter case, or -1 for any other character.
int HexDigitValue(char c);

// "REG_SZ", "REG_BINARY", ...; for a type without a name, "REG_0x1234".
std::string ValueTypeName(uint32_t type);

// The types that add accepts, by name without regard to letter case.
bool ParseValueTypeName(std::string_view name, uint32_t* type);

// The bytes that /d `text` stands for with `type`: text types are stored as
// UTF-16 with a terminating zero (REG_MULTI_SZ split at "\0"), REG_DWORD and
// REG_QWORD from decimal or 0x-prefixed hex, REG_BINARY and REG_NONE from hex
// digits. False with *error set when the text does not fit the type.
bool ParseValueData(uint32_t type, std::string_view text, std::vector<uint8_t>* data,
                    std::string* error);

// The data as query shows it: text up to its terminating zero (REG_MULTI_SZ's
// strings joined by "\0"), numbers as 0x-prefixed hex, everything else (and
// numbers of the wrong size) as upper-case hex digits.
std::string FormatValueData(uint32_t type, const std::vector<uint8_t>& data);

}  // namespace vem

#endif  // VEMMISC_TOOLS_VEMREG_VALUE_TEXT_H
