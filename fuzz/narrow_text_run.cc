// The text conversions and the narrow name hash against Utf8Reference. The
// run builds a narrow text from pieces (ASCII, encodings of scalar values of
// every length, cut-off encodings, stray bytes, the lead bytes at the edges
// of the valid ranges) and a UTF-16 text from units (lone surrogates among
// them), so that random input reaches every branch of the decoder.
#include <cstdint>
#include <string>
#include <vector>

#include "VemContainers.h"
#include "fuzz/utf8_reference.h"
#include "tests/models/op_stream.h"
#include "text/narrow_text.h"
#include "text/utf16_text.h"

namespace vem_test {

void RunNarrowText(OpStream& in) {
  static const Utf8Reference reference;
  std::string text;
  std::u16string units;
  while (in.More() && text.size() < 64) {
    const uint32_t code = in.Pick({0x7Fu, 0x7FFu, 0xFFFFu, 0x10FFFFu}) & in.Bits32();
    const std::string encoded = Utf8Reference::Encode(code | 1);  // never NUL
    switch (in.Range(0, 3)) {
      case 0: text += encoded; break;
      case 1: text += encoded.substr(0, static_cast<size_t>(in.Range(1, 3))); break;
      case 2:
        text += static_cast<char>(in.Pick({0x80, 0xBF, 0xC0, 0xC1, 0xC2, 0xE0, 0xED, 0xF0, 0xF4, 0xF5, 0xFF}));
        break;
      default: text += static_cast<char>(in.Range(0x80, 0xFF)); break;
    }
    units.push_back(static_cast<char16_t>(in.Bool() ? in.Range(0xD7FF, 0xE000) : (code & 0xFFFF) | 1));
  }
  const std::u16string expected = reference.Decode(text);
  std::basic_string<VemWChar> converted;
  for (vem::NarrowCodePage page : {vem::NarrowCodePage::kSystem, vem::NarrowCodePage::kThread}) {
    MODEL_CHECK(vem::NarrowToWide(text.c_str(), page, &converted));
    MODEL_CHECK(std::u16string(converted.begin(), converted.end()) == expected);
  }
  std::vector<uint8_t> le;
  for (char16_t unit : expected) le.insert(le.end(), {static_cast<uint8_t>(unit), static_cast<uint8_t>(unit >> 8)});
  MODEL_CHECK(vem::Utf8ToUtf16Le(text.data(), text.size()) == le);
  uint32_t hash = 0;
  for (char16_t unit : expected) hash = hash * 31u + unit;
  MODEL_CHECK(GenerateID(text.c_str()) == static_cast<int32_t>(hash));
  MODEL_CHECK(vem::HashNarrowText(text.c_str()) == hash);
  MODEL_CHECK(GenerateID(converted.c_str()) == static_cast<int32_t>(hash));
  // The way back: well-formed UTF-16 and UTF-16 with lone surrogates; an odd
  // trailing byte of UTF-16LE is ignored.
  const std::basic_string<VemWChar> wide(units.begin(), units.end());
  MODEL_CHECK(vem::WideToUtf8(converted.c_str()) == Utf8Reference::Encode(expected));
  MODEL_CHECK(vem::WideToUtf8(wide.c_str()) == Utf8Reference::Encode(units));
  le.clear();
  for (char16_t unit : units) le.insert(le.end(), {static_cast<uint8_t>(unit), static_cast<uint8_t>(unit >> 8)});
  if (in.Bool()) le.push_back(0x42);
  MODEL_CHECK(vem::Utf16LeToUtf8(le.data(), le.size()) == Utf8Reference::Encode(units));
}

}  // namespace vem_test
