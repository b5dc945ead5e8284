// Decoding of UTF-8 into UTF-16 code units, shared by the narrow text
// conversion and the narrow name hash so that both see exactly the same units.
//
// Malformed input is replaced by U+FFFD once per maximal subpart: the longest
// prefix of a well-formed sequence that the bytes begin, or a single byte when
// they begin none. This is the Unicode recommendation that WHATWG encoders
// follow; it never swallows a byte that could start a valid sequence, so the
// NUL terminator always ends a truncated sequence rather than being consumed.
#ifndef VEMMISC_TEXT_UTF8_DECODER_H_
#define VEMMISC_TEXT_UTF8_DECODER_H_

#include <cstdint>

namespace vem {

constexpr uint16_t kReplacementCharacter = 0xFFFD;

// One decoded sequence: a single code unit, or a surrogate pair.
struct Utf16Units {
  uint16_t unit[2];
  int count;
};

// Decodes the sequence starting at text, which must not be at the end.
// Writes its UTF-16 units to *out and returns the position after it. The text
// ends at end, or, with a null end, at its zero terminator (which is never a
// trailing byte, so a truncated sequence stops there without consuming it).
inline const char* DecodeUtf8Sequence(const char* text, const char* end, Utf16Units* out) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  const unsigned lead = bytes[0];
  out->count = 1;
  if (lead < 0x80) {
    out->unit[0] = static_cast<uint16_t>(lead);
    return text + 1;
  }

  // Trailing byte count and the allowed range of the first trailing byte
  // (narrower than 80..BF where overlongs, surrogates or values above
  // U+10FFFF would otherwise slip through).
  int trailing;
  unsigned low = 0x80, high = 0xBF;
  uint32_t code;
  if (lead >= 0xC2 && lead <= 0xDF) {
    trailing = 1;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    trailing = 2;
    code = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    trailing = 3;
    code = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    out->unit[0] = kReplacementCharacter;
    return text + 1;
  }

  int consumed = 1;
  for (int i = 0; i < trailing; ++i) {
    // At the end, next is 0: out of range like any other non-trailing byte.
    const unsigned next = text + consumed == end ? 0 : bytes[consumed];
    if (next < low || next > high) {
      out->unit[0] = kReplacementCharacter;
      return text + consumed;
    }
    code = (code << 6) | (next & 0x3F);
    ++consumed;
    low = 0x80;
    high = 0xBF;
  }

  if (code < 0x10000) {
    out->unit[0] = static_cast<uint16_t>(code);
  } else {
    code -= 0x10000;
    out->unit[0] = static_cast<uint16_t>(0xD800 + (code >> 10));
    out->unit[1] = static_cast<uint16_t>(0xDC00 + (code & 0x3FF));
    out->count = 2;
  }
  return text + consumed;
}

}  // namespace vem

#endif  // VEMMISC_TEXT_UTF8_DECODER_H_
