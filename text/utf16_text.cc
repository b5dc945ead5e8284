#include "text/utf16_text.h"

#include "text/utf8_decoder.h"

namespace vem {
namespace {

void AppendUtf8(char32_t c, std::string* out) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (c >> 12)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (c >> 18)));
    out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Encodes count UTF-16 units, unit_at(i) giving the i-th, pairing surrogates.
template <class UnitAt>
std::string EncodeUtf8(size_t count, UnitAt unit_at) {
  std::string out;
  out.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    char32_t c = unit_at(i);
    if (IsHighSurrogate(c) && i + 1 < count && IsLowSurrogate(unit_at(i + 1))) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit_at(i + 1) - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      c = kReplacementCharacter;
    }
    AppendUtf8(c, &out);
  }
  return out;
}

}  // namespace

std::string Utf16LeToUtf8(const uint8_t* data, size_t size) {
  return EncodeUtf8(size / 2, [data](size_t i) -> char32_t { return data[2 * i] | (data[2 * i + 1] << 8); });
}

std::string WideToUtf8(const VemWChar* text) {
  size_t length = 0;
  while (text[length] != 0) ++length;
  return EncodeUtf8(length, [text](size_t i) -> char32_t { return static_cast<char16_t>(text[i]); });
}

std::vector<uint8_t> Utf8ToUtf16Le(const char* text, size_t size) {
  // No byte gives more than one unit (four-byte sequences give two), so the
  // output is sized once; ASCII, the bulk of most text, takes the short way.
  std::vector<uint8_t> out(2 * size);
  uint8_t* next = out.data();
  const char* const end = text + size;
  while (text != end) {
    if (static_cast<unsigned char>(*text) < 0x80) {
      next[0] = static_cast<uint8_t>(*text++);
      next[1] = 0;
      next += 2;
      continue;
    }
    Utf16Units units;
    text = DecodeUtf8Sequence(text, end, &units);
    for (int i = 0; i < units.count; ++i) {
      next[0] = static_cast<uint8_t>(units.unit[i] & 0xFF);
      next[1] = static_cast<uint8_t>(units.unit[i] >> 8);
      next += 2;
    }
  }
  out.resize(static_cast<size_t>(next - out.data()));
  return out;
}

}  // namespace vem
