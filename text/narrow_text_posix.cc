// Narrow text is UTF-8 here; both code pages mean the same.
#include "text/narrow_text.h"

#include "text/utf8_decoder.h"

namespace vem {
bool NarrowToWide(const char* text, NarrowCodePage /*page*/, std::basic_string<VemWChar>* out) {
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
    hash = HashAsciiRun(&bytes, hash);
    if (*bytes == 0) return hash;
    Utf16Units units;
    bytes = reinterpret_cast<const unsigned char*>(
        DecodeUtf8Sequence(reinterpret_cast<const char*>(bytes), nullptr, &units));
    hash = HashStep(hash, units.unit[0]);
    if (units.count == 2) hash = HashStep(hash, units.unit[1]);
  }
}

}  // namespace vem
