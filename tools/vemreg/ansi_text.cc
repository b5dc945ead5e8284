#include "tools/vemreg/ansi_text.h"

#include "text/utf16_text.h"

namespace vem {

namespace {

// Bytes 0x80 to 0x9F; every other byte is the code point of the same value.
const uint16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

uint16_t AnsiToUnit(uint8_t byte) { return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : byte; }

std::vector<uint8_t> AnsiToUtf16Le(const std::vector<uint8_t>& bytes) {
  std::vector<uint8_t> units;
  units.reserve(2 * bytes.size());
  for (uint8_t byte : bytes) {
    const uint16_t unit = AnsiToUnit(byte);
    units.push_back(static_cast<uint8_t>(unit));
    units.push_back(static_cast<uint8_t>(unit >> 8));
  }
  return units;
}

std::string AnsiToUtf8(std::string_view bytes) {
  const std::vector<uint8_t> units = AnsiToUtf16Le(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  return Utf16LeToUtf8(units.data(), units.size());
}

bool Utf16LeToAnsi(const std::vector<uint8_t>& bytes, std::string* out) {
  if (bytes.size() % 2 != 0) return false;
  for (size_t i = 0; i < bytes.size(); i += 2) {
    const uint16_t unit = static_cast<uint16_t>(bytes[i] | (bytes[i + 1] << 8));
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
      out->push_back(static_cast<char>(unit));
      continue;
    }
    size_t byte = 0;
    while (byte < 32 && kHighControls[byte] != unit) ++byte;
    if (byte == 32) return false;
    out->push_back(static_cast<char>(0x80 + byte));
  }
  return true;
}

bool Utf8ToAnsi(std::string_view text, std::string* out) {
  return Utf16LeToAnsi(Utf8ToUtf16Le(text.data(), text.size()), out);
}

}  // namespace vem
