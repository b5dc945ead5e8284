// Differential fuzzer: the narrow-to-UTF-16 conversion and the narrow name
// hash against Utf8Reference. The input, cut at its first NUL, is one narrow
// text; the conversion must give the reference's code units, and the narrow
// GenerateID must equal the wide hash of those units computed here from
// scratch (and the library's wide GenerateID of them).
#include <cstdint>
#include <string>

#include "VemContainers.h"
#include "text/narrow_text.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/utf8_reference.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const vem_fuzz::Utf8Reference reference;
  const std::string text(reinterpret_cast<const char*>(data), size);  // to NUL
  const std::u16string expected = reference.Decode(text.c_str());

  std::basic_string<VemWChar> converted;
  FUZZ_CHECK(vem::NarrowToWide(text.c_str(), vem::NarrowCodePage::kSystem, &converted));
  FUZZ_CHECK(converted == expected);
  FUZZ_CHECK(vem::NarrowToWide(text.c_str(), vem::NarrowCodePage::kThread, &converted));
  FUZZ_CHECK(converted == expected);

  uint32_t hash = 0;
  for (char16_t unit : expected) hash = hash * 31u + unit;
  FUZZ_CHECK(GenerateID(text.c_str()) == static_cast<int32_t>(hash));
  FUZZ_CHECK(vem::HashNarrowText(text.c_str()) == hash);
  FUZZ_CHECK(GenerateID(expected.c_str()) == static_cast<int32_t>(hash));
  return 0;
}
