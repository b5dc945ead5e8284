#include "settings/utf16_text.h"

namespace vem {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

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

void AppendUtf16Le(char32_t c, std::vector<uint8_t>* out) {
  auto unit = [out](char32_t u) {
    out->push_back(static_cast<uint8_t>(u & 0xFF));
    out->push_back(static_cast<uint8_t>(u >> 8));
  };
  if (c < 0x10000) {
    unit(c);
  } else {
    c -= 0x10000;
    unit(0xD800 | (c >> 10));
    unit(0xDC00 | (c & 0x3FF));
  }
}

// Decodes the UTF-8 sequence at text[*pos], advancing *pos past it; a byte
// that starts no valid sequence is consumed alone and yields U+FFFD.
char32_t DecodeUtf8(const unsigned char* text, size_t size, size_t* pos) {
  const unsigned char lead = text[*pos];
  size_t length;
  char32_t c;
  char32_t minimum;
  if (lead < 0x80) {
    ++*pos;
    return lead;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, c = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, c = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, c = lead & 0x07, minimum = 0x10000;
  } else {
    ++*pos;
    return kReplacement;
  }
  if (size - *pos < length) {
    ++*pos;
    return kReplacement;
  }
  for (size_t i = 1; i < length; ++i) {
    const unsigned char next = text[*pos + i];
    if ((next & 0xC0) != 0x80) {
      ++*pos;
      return kReplacement;
    }
    c = (c << 6) | (next & 0x3F);
  }
  if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++*pos;
    return kReplacement;
  }
  *pos += length;
  return c;
}

}  // namespace

std::string Utf16LeToUtf8(const uint8_t* data, size_t size) {
  std::string out;
  const size_t units = size / 2;
  out.reserve(units);
  auto unit_at = [data](size_t i) -> char32_t { return data[2 * i] | (data[2 * i + 1] << 8); };
  for (size_t i = 0; i < units; ++i) {
    char32_t c = unit_at(i);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units && unit_at(i + 1) >= 0xDC00 &&
        unit_at(i + 1) <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit_at(i + 1) - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;
    }
    AppendUtf8(c, &out);
  }
  return out;
}

std::vector<uint8_t> Utf8ToUtf16Le(const char* text, size_t size) {
  std::vector<uint8_t> out;
  out.reserve(2 * size);
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
  for (size_t pos = 0; pos < size;) AppendUtf16Le(DecodeUtf8(bytes, size, &pos), &out);
  return out;
}

}  // namespace vem
