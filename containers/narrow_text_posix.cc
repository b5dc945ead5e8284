// Narrow text is UTF-8 here; both code pages mean the same.
#include "containers/narrow_text.h"

#include "containers/utf8_decoder.h"

namespace vem {
namespace {

bool IsAsciiNonNul(unsigned char c) { return c - 1u < 0x7Fu; }

}  // namespace

bool NarrowToWide(const char* text, NarrowCodePage /*page*/,
                  std::basic_string<VemWChar>* out) {
  out->clear();
  if (text == nullptr) return true;
  while (*text != '\0') {
    Utf16Units units;
    text = DecodeUtf8Sequence(text, nullptr, &units);
    out->push_back(static_cast<VemWChar>(units.unit[0]));
    if (units.count == 2) out->push_back(static_cast<VemWChar>(units.unit[1]));
  }
  return true;
}

uint32_t HashNarrowText(const char* text) {
  if (text == nullptr) return 0;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  uint32_t hash = 0;
  for (;;) {
    // Names are mostly ASCII. Four ASCII bytes fold into one step of the
    // hash, h * 31^4 + a * 31^3 + b * 31^2 + c * 31 + d, which shortens the
    // chain of dependent multiplications fourfold. Each byte is tested before
    // the next is read, so nothing past the terminator is touched.
    if (IsAsciiNonNul(bytes[0]) && IsAsciiNonNul(bytes[1]) &&
        IsAsciiNonNul(bytes[2]) && IsAsciiNonNul(bytes[3])) {
      hash = hash * (31u * 31u * 31u * 31u) + bytes[0] * (31u * 31u * 31u) +
             bytes[1] * (31u * 31u) + bytes[2] * 31u + bytes[3];
      bytes += 4;
      continue;
    }
    if (*bytes == 0) return hash;
    Utf16Units units;
    bytes = reinterpret_cast<const unsigned char*>(
        DecodeUtf8Sequence(reinterpret_cast<const char*>(bytes), nullptr, &units));
    hash = HashStep(hash, units.unit[0]);
    if (units.count == 2) hash = HashStep(hash, units.unit[1]);
  }
}

}  // namespace vem
