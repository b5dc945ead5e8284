// The narrow-to-UTF-16 conversion and the narrow name hash against
// Utf8Reference. The rest of the input, cut at its first NUL, is one narrow
// text; the conversion must give the reference's code units, and the narrow
// GenerateID must equal the wide hash of those units computed here from
// scratch (and the library's wide GenerateID of them).
#include <cstdint>
#include <string>

#include "VemContainers.h"
#include "fuzz/utf8_reference.h"
#include "tests/models/op_stream.h"
#include "text/narrow_text.h"

namespace vem_test {

void RunNarrowText(OpStream& in) {
  static const vem_test::Utf8Reference reference;
  std::string text;
  while (in.More()) text.push_back(static_cast<char>(in.Byte()));
  const std::u16string expected = reference.Decode(text.c_str());  // to the NUL
  std::basic_string<VemWChar> converted;
  for (vem::NarrowCodePage page : {vem::NarrowCodePage::kSystem, vem::NarrowCodePage::kThread}) {
    MODEL_CHECK(vem::NarrowToWide(text.c_str(), page, &converted));
    MODEL_CHECK(converted == expected);
  }
  uint32_t hash = 0;
  for (char16_t unit : expected) hash = hash * 31u + unit;
  MODEL_CHECK(GenerateID(text.c_str()) == static_cast<int32_t>(hash));
  MODEL_CHECK(vem::HashNarrowText(text.c_str()) == hash);
  MODEL_CHECK(GenerateID(expected.c_str()) == static_cast<int32_t>(hash));
}

}  // namespace vem_test
