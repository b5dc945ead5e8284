#include "msgbox/wide_to_utf8.h"

namespace vem {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(char32_t code, std::string* out) {
  if (code < 0x80) {
    *out += static_cast<char>(code);
  } else if (code < 0x800) {
    *out += static_cast<char>(0xC0 | (code >> 6));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    *out += static_cast<char>(0xE0 | (code >> 12));
    *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    *out += static_cast<char>(0xF0 | (code >> 18));
    *out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

bool IsHigh(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLow(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::string WideToUtf8(const VemWChar* text) {
  std::string out;
  for (const VemWChar* unit = text; *unit != 0; ++unit) {
    const char32_t first = static_cast<char16_t>(*unit);
    if (IsHigh(first) && IsLow(static_cast<char16_t>(unit[1]))) {
      const char32_t second = static_cast<char16_t>(*++unit);
      AppendUtf8(0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00), &out);
    } else if (IsHigh(first) || IsLow(first)) {
      AppendUtf8(kReplacement, &out);
    } else {
      AppendUtf8(first, &out);
    }
  }
  return out;
}

}  // namespace vem
