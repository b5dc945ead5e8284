#include "tools/vemreg/value_text.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <optional>

#include "settings/registry_defs.h"
#include "text/name_case.h"
#include "text/utf16_text.h"

namespace vem {

namespace {

struct TypeSpelling {
  uint32_t type;
  const char* name;
  bool accepted_by_add;
};

const TypeSpelling kTypes[] = {
    {kRegNone, "REG_NONE", true},
    {kRegSz, "REG_SZ", true},
    {kRegExpandSz, "REG_EXPAND_SZ", true},
    {kRegBinary, "REG_BINARY", true},
    {kRegDword, "REG_DWORD", true},
    {kRegDwordBigEndian, "REG_DWORD_BIG_ENDIAN", false},
    {kRegLink, "REG_LINK", false},
    {kRegMultiSz, "REG_MULTI_SZ", true},
    {8, "REG_RESOURCE_LIST", false},
    {9, "REG_FULL_RESOURCE_DESCRIPTOR", false},
    {10, "REG_RESOURCE_REQUIREMENTS_LIST", false},
    {kRegQword, "REG_QWORD", true},
};

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// A number as reg.exe reads /d: hexadecimal after a leading "0x", else
// decimal; blanks and a sign may come first (the C library's reading of
// numbers), nothing may follow, and the empty text is 0. A REG_DWORD may not
// start with '-'; a REG_QWORD may, and wraps around as unsigned arithmetic
// does (a negative number too large for 64 bits is the largest one, negated).
bool ParseNumber(std::string_view text, bool qword, uint64_t* number) {
  const uint64_t max = qword ? UINT64_MAX : UINT32_MAX;
  const int base = text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') ? 16 : 10;
  if (!qword && !text.empty() && text[0] == '-') return false;
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (base == 16 && i + 2 < text.size() && text[i] == '0' && (text[i + 1] | 0x20) == 'x' &&
      HexDigitValue(text[i + 2]) >= 0) {
    i += 2;
  }
  const size_t digits = i;
  uint64_t value = 0;
  bool overflow = false;
  for (; i < text.size(); ++i) {
    const int digit = HexDigitValue(text[i]);
    if (digit < 0 || digit >= base) break;
    const uint64_t d = static_cast<uint64_t>(digit);
    overflow = overflow || value > (max - d) / static_cast<uint64_t>(base);
    if (!overflow) value = value * static_cast<uint64_t>(base) + d;
  }
  if (i == digits) {
    *number = 0;
    return text.empty();
  }
  if (i != text.size() || (overflow && !(qword && negative))) return false;
  if (overflow) value = max;
  *number = negative ? (0 - value) & max : value;
  return true;
}

std::vector<uint16_t> UnitsOf(std::string_view text) {
  const std::vector<uint8_t> bytes = Utf8ToUtf16Le(text.data(), text.size());
  std::vector<uint16_t> units(bytes.size() / 2);
  for (size_t i = 0; i < units.size(); ++i) units[i] = bytes[2 * i] | (bytes[2 * i + 1] << 8);
  return units;
}

void AppendUnits(const std::vector<uint16_t>& units, std::vector<uint8_t>* data) {
  for (uint16_t unit : units) {
    data->push_back(static_cast<uint8_t>(unit));
    data->push_back(static_cast<uint8_t>(unit >> 8));
  }
}

// REG_MULTI_SZ as reg.exe builds it: strings separated by "\0" (or by the
// one-character separator), each ended by a zero, and one more zero unless
// the text ended with a separator. An empty string is refused except as the
// only one.
bool ParseMultiString(std::string_view text, const std::vector<uint16_t>* separator, std::vector<uint8_t>* data) {
  const std::vector<uint16_t> in = UnitsOf(text);
  std::vector<uint16_t> out;
  out.reserve(in.size() + 2);
  for (size_t i = 0; i < in.size(); ++i) {
    if (separator == nullptr && in[i] == '\\' && i + 1 < in.size() && in[i + 1] == '0') {
      out.push_back(0);
      ++i;
    } else {
      out.push_back(separator != nullptr && in[i] == (*separator)[0] ? 0 : in[i]);
    }
    const size_t last = out.size() - 1;
    if (last > 0 && out[last - 1] == 0 && (out[last] == 0 || last == 1)) return false;
  }
  out.push_back(0);
  if (out.size() > 1 && out[out.size() - 2] != 0) out.push_back(0);
  AppendUnits(out, data);
  return true;
}

void AppendLittleEndian(uint64_t value, size_t size, std::vector<uint8_t>* data) {
  for (size_t i = 0; i < size; ++i) data->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void AppendText(std::string_view text, std::vector<uint8_t>* data) {
  AppendUnits(UnitsOf(text), data);
  data->push_back(0);
  data->push_back(0);
}

std::string HexDigits(const std::vector<uint8_t>& data) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(data.size() * 2);
  for (uint8_t byte : data) {
    text.push_back(kDigits[byte >> 4]);
    text.push_back(kDigits[byte & 0xF]);
  }
  return text;
}

}  // namespace

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string ValueTypeName(uint32_t type) {
  for (const TypeSpelling& spelling : kTypes) {
    if (spelling.type == type) return spelling.name;
  }
  char name[32];
  std::snprintf(name, sizeof name, "REG_0x%" PRIX32, type);
  return name;
}

bool ParseValueTypeName(std::string_view name, uint32_t* type) {
  for (const TypeSpelling& spelling : kTypes) {
    if (spelling.accepted_by_add && SameName(name, spelling.name)) {
      *type = spelling.type;
      return true;
    }
  }
  return false;
}

bool ParseValueData(uint32_t type, const std::optional<std::string>& text, const std::optional<std::string>& separator,
                    std::vector<uint8_t>* data, std::string* error) {
  data->clear();
  const std::string given = text.value_or("");
  const std::vector<uint16_t> separator_units = UnitsOf(separator.value_or(""));
  if (separator.has_value() && separator_units.size() != 1) {
    *error = "Invalid syntax: /s takes one character. Type \"vemreg add /?\" for usage.";
    return false;
  }
  switch (type) {
    case kRegSz:
    case kRegExpandSz:
    case kRegNone: AppendText(given, data); return true;
    case kRegMultiSz: {
      if (ParseMultiString(given, separator.has_value() ? &separator_units : nullptr, data)) {
        return true;
      }
      *error = "The option [/d] must be followed by a valid string.";
      return false;
    }
    case kRegDword:
    case kRegQword: {
      uint64_t number;
      if (!text.has_value() && type == kRegDword) {
        *error = "Invalid command line parameters: REG_DWORD needs /d.";
        return false;
      }
      if (!ParseNumber(given, type == kRegQword, &number)) {
        *error = "The option [/d] must be followed by a valid numeric value.";
        return false;
      }
      AppendLittleEndian(number, type == kRegDword ? 4 : 8, data);
      return true;
    }
    default: {
      // An odd count of digits has its first byte written with one digit.
      for (size_t i = 0; i < given.size();) {
        const size_t count = i == 0 && given.size() % 2 != 0 ? 1 : 2;
        int byte = 0;
        for (size_t j = i; j < i + count; ++j) {
          const int digit = HexDigitValue(given[j]);
          if (digit < 0) {
            *error = "The option [/d] must be followed by a valid hexadecimal value.";
            return false;
          }
          byte = byte * 16 + digit;
        }
        data->push_back(static_cast<uint8_t>(byte));
        i += count;
      }
      return true;
    }
  }
}

std::string FormatValueData(uint32_t type, const std::vector<uint8_t>& data) {
  char number[24];
  if (type == kRegDword && data.size() == 4) {
    uint64_t value = 0;
    for (size_t i = 0; i < 4; ++i) value |= static_cast<uint64_t>(data[i]) << (8 * i);
    std::snprintf(number, sizeof number, "0x%" PRIx64, value);
    return number;
  }
  if (type == kRegQword && data.size() == 8) {
    uint64_t value = 0;
    for (size_t i = 0; i < 8; ++i) value |= static_cast<uint64_t>(data[i]) << (8 * i);
    std::snprintf(number, sizeof number, "0x%" PRIx64, value);
    return number;
  }
  if (!IsTextValueType(type)) return HexDigits(data);
  std::string text = Utf16LeToUtf8(data.data(), data.size());
  if (type != kRegMultiSz) return text.substr(0, text.find('\0'));
  // The list ends at its first empty string (or where the data ends).
  std::string shown;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = std::min(text.find('\0', start), text.size());
    if (end == start) break;
    if (!shown.empty()) shown += "\\0";
    shown.append(text, start, end - start);
    start = end + 1;
  }
  return shown;
}

}  // namespace vem
