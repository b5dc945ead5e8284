// The text conversions and the narrow name hash against ICU's converters,
// which replace each maximal subpart of a malformed UTF-8 sequence, and each
// unpaired surrogate, by one U+FFFD. The run builds a narrow text from
// pieces (ASCII, encodings of code points of every length, surrogates among
// them, cut-off encodings, the continuation and lead bytes at the edges of
// the valid ranges) and a UTF-16 text from units (lone surrogates among
// them), so that random input reaches every branch of the decoder.
#include <unicode/ustring.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "VemContainers.h"
#include "tests/models/op_stream.h"
#include "text/narrow_text.h"
#include "text/utf16_text.h"

namespace vem_test {
namespace {

// An ICU conversion of from into room for capacity units, with U+FFFD for
// what cannot be converted.
template <typename Out, typename In, typename Conversion>
Out Icu(const In& from, size_t capacity, Conversion convert) {
  Out out(capacity, '\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  convert(out.data(), static_cast<int32_t>(capacity), &length, from.data(), static_cast<int32_t>(from.size()), 0xFFFD,
          nullptr, &status);
  MODEL_CHECK(U_SUCCESS(status));
  return out.substr(0, static_cast<size_t>(length));
}

// UTF-8 takes no more than three bytes for a unit.
std::string IcuEncode(const std::u16string& units) {
  return Icu<std::string>(units, 3 * units.size(), u_strToUTF8WithSub);
}

std::vector<uint8_t> Utf16Le(const std::u16string& units) {
  std::vector<uint8_t> bytes;
  for (char16_t unit : units) bytes.insert(bytes.end(), {static_cast<uint8_t>(unit), static_cast<uint8_t>(unit >> 8)});
  return bytes;
}

}  // namespace

void RunNarrowText(OpStream& in) {
  std::string text;
  std::u16string units;
  while (in.More() && text.size() < 64) {
    const uint32_t code = (in.Pick({0x7Fu, 0x7FFu, 0xFFFFu, 0x10FFFFu}) & in.Bits32()) | 1;  // never NUL
    char encoded[U8_MAX_LENGTH];
    int32_t length = 0;
    U8_APPEND_UNSAFE(encoded, length, code);
    switch (in.Range(0, 2)) {
      case 0: text.append(encoded, static_cast<size_t>(length)); break;
      case 1: text.append(encoded, static_cast<size_t>(std::min(length, in.Range(1, 3)))); break;
      default: text += static_cast<char>(in.Pick({0x80, 0xBF, 0xC0, 0xC1, 0xC2, 0xE0, 0xED, 0xF0, 0xF4, 0xF5, 0xFF}));
    }
    units.push_back(static_cast<char16_t>(in.Bool() ? in.Range(0xD7FF, 0xE000) : code & 0xFFFF));
  }
  // Never more units than bytes.
  const std::u16string expected = Icu<std::u16string>(text, text.size(), u_strFromUTF8WithSub);
  std::basic_string<VemWChar> converted;
  for (vem::NarrowCodePage page : {vem::NarrowCodePage::kSystem, vem::NarrowCodePage::kThread}) {
    MODEL_CHECK(vem::NarrowToWide(text.c_str(), page, &converted));
    MODEL_CHECK(std::u16string(converted.begin(), converted.end()) == expected);
  }
  MODEL_CHECK(vem::Utf8ToUtf16Le(text.data(), text.size()) == Utf16Le(expected));
  uint32_t hash = 0;
  for (char16_t unit : expected) hash = hash * 31u + unit;
  MODEL_CHECK(GenerateID(text.c_str()) == static_cast<int32_t>(hash) && vem::HashNarrowText(text.c_str()) == hash);
  MODEL_CHECK(GenerateID(converted.c_str()) == static_cast<int32_t>(hash));
  // The way back, from well-formed UTF-16 and from UTF-16 with lone
  // surrogates; an odd trailing byte of UTF-16LE is ignored.
  const std::basic_string<VemWChar> wide(units.begin(), units.end());
  MODEL_CHECK(vem::WideToUtf8(converted.c_str()) == IcuEncode(expected));
  MODEL_CHECK(vem::WideToUtf8(wide.c_str()) == IcuEncode(units));
  std::vector<uint8_t> le = Utf16Le(units);
  if (in.Bool()) le.push_back(0x42);
  MODEL_CHECK(vem::Utf16LeToUtf8(le.data(), le.size()) == IcuEncode(units));
}

}  // namespace vem_test
