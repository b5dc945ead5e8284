#include "tools/vemreg/value_text.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "settings/registry_defs.h"
#include "text/utf16_text.h"
#include "tools/vemreg/ascii_case.h"

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

// A decimal or 0x-prefixed hexadecimal number no larger than `max`.
bool ParseNumber(std::string_view text, uint64_t max, uint64_t* number) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return false;
  uint64_t value = 0;
  for (char c : text) {
    const int digit = HexDigitValue(c);
    if (digit < 0 || digit >= base) return false;
    if (value > (max - static_cast<uint64_t>(digit)) / static_cast<uint64_t>(base)) return false;
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
  }
  *number = value;
  return true;
}

void AppendLittleEndian(uint64_t value, size_t size, std::vector<uint8_t>* data) {
  for (size_t i = 0; i < size; ++i) data->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void AppendText(std::string_view text, std::vector<uint8_t>* data) {
  const std::vector<uint8_t> units = Utf8ToUtf16Le(text.data(), text.size());
  data->insert(data->end(), units.begin(), units.end());
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
    if (spelling.accepted_by_add && EqualsIgnoringAsciiCase(name, spelling.name)) {
      *type = spelling.type;
      return true;
    }
  }
  return false;
}

bool ParseValueData(uint32_t type, std::string_view text, std::vector<uint8_t>* data,
                    std::string* error) {
  data->clear();
  switch (type) {
    case kRegSz:
    case kRegExpandSz:
      AppendText(text, data);
      return true;
    case kRegMultiSz: {
      // Each string ends with a zero, and an empty string ends the list.
      while (!text.empty()) {
        const size_t separator = text.find("\\0");
        AppendText(text.substr(0, separator), data);
        if (separator == std::string_view::npos) break;
        text.remove_prefix(separator + 2);
      }
      data->push_back(0);
      data->push_back(0);
      return true;
    }
    case kRegDword:
    case kRegQword: {
      const bool dword = type == kRegDword;
      uint64_t number;
      if (!ParseNumber(text, dword ? UINT32_MAX : UINT64_MAX, &number)) {
        *error = std::string("Invalid data for ") + (dword ? "REG_DWORD" : "REG_QWORD") +
                 ": give a number from 0 to " + (dword ? "4294967295" : "18446744073709551615") +
                 ", in decimal or as 0x and hex digits.";
        return false;
      }
      AppendLittleEndian(number, dword ? 4 : 8, data);
      return true;
    }
    default:
      if (text.size() % 2 != 0) {
        *error = "Invalid data for " + ValueTypeName(type) + ": give an even number of hex digits.";
        return false;
      }
      for (size_t i = 0; i < text.size(); i += 2) {
        const int high = HexDigitValue(text[i]);
        const int low = HexDigitValue(text[i + 1]);
        if (high < 0 || low < 0) {
          *error = "Invalid data for " + ValueTypeName(type) + ": \"" + std::string(text) +
                   "\" is not hex digits.";
          return false;
        }
        data->push_back(static_cast<uint8_t>(high * 16 + low));
      }
      return true;
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
