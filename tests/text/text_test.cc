// The name hash and the text conversions, row by row: each row is a narrow
// text and the UTF-16 code units it stands for (malformed UTF-8 gives one
// U+FFFD per maximal subpart). Every row checks the conversion, the narrow
// and wide name hashes against the hash computed here from its definition,
// and, for well-formed text, the way back to UTF-8.
#include <gtest/gtest.h>

#include <ostream>

#include <cstdint>
#include <string>
#include <vector>

#include "VemContainers.h"
#include "text/narrow_text.h"
#if !defined(_WIN32)
#include "text/utf16_text.h"
#endif

namespace {

using Wide = std::basic_string<VemWChar>;
constexpr uint16_t R = 0xFFFD;

struct TextRow {
  std::string narrow;
  std::vector<uint16_t> units;
  bool wellFormed;
};

// Rows show as their text's length: GoogleTest would print a row's bytes,
// padding included.
void PrintTo(const TextRow& row, std::ostream* out) { *out << row.narrow.size() << " bytes"; }

class TextRows : public ::testing::TestWithParam<TextRow> {};

TEST_P(TextRows, ConvertAndHashAsTheirCodeUnits) {
  const TextRow& row = GetParam();
  const Wide wide(row.units.begin(), row.units.end());
  uint32_t hash = 0;
  for (uint16_t unit : row.units) hash = hash * 31u + unit;
  EXPECT_EQ(GenerateID(wide.c_str()), static_cast<int32_t>(hash));
  Wide converted;
  ASSERT_TRUE(vem::NarrowToWide(row.narrow.c_str(), vem::NarrowCodePage::kSystem, &converted));
  EXPECT_EQ(converted, wide);
  EXPECT_EQ(GenerateID(row.narrow.c_str()), static_cast<int32_t>(hash));
#if !defined(_WIN32)  // UTF-8 to and from UTF-16 is for the hive and the helpers
  std::vector<uint8_t> le;
  for (uint16_t unit : row.units) le.insert(le.end(), {static_cast<uint8_t>(unit), static_cast<uint8_t>(unit >> 8)});
  EXPECT_EQ(vem::Utf8ToUtf16Le(row.narrow.data(), row.narrow.size()), le);
  if (row.wellFormed) {
    EXPECT_EQ(vem::WideToUtf8(wide.c_str()), row.narrow);
  }
#endif
}

// ASCII maps byte for byte on every platform; the lengths straddle the
// four-byte stride of the narrow hash.
INSTANTIATE_TEST_SUITE_P(
    Ascii, TextRows,
    ::testing::Values(TextRow{"", {}, true}, TextRow{"abc", {'a', 'b', 'c'}, true}, TextRow{"Aa", {'A', 'a'}, true},
                      TextRow{"BB", {'B', 'B'}, true}, TextRow{"Gain 12", {'G', 'a', 'i', 'n', ' ', '1', '2'}, true},
                      TextRow{"abcdefghij", {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j'}, true}));

#if !defined(_WIN32)  // the narrow encoding is UTF-8 here, the ANSI code page on Windows
INSTANTIATE_TEST_SUITE_P(
    Utf8, TextRows,
    ::testing::Values(
        TextRow{"\xC3\xA9\xE2\x82\xAC\xEF\xBF\xBF", {0xE9, 0x20AC, 0xFFFF}, true},
        TextRow{"\xF0\x90\x80\x80\xF4\x8F\xBF\xBFxyzw", {0xD800, 0xDC00, 0xDBFF, 0xDFFF, 'x', 'y', 'z', 'w'}, true},
        TextRow{"a\x80\xBF"
                "b",
                {'a', R, R, 'b'},
                false},
        TextRow{"\xC0\xAF\xC1\xBF\xF5\xFF", {R, R, R, R, R, R}, false},
        TextRow{"\xE2\x82"
                "A",
                {R, 'A'},
                false},
        TextRow{"\xE2\x82", {R}, false}, TextRow{"\xF0\x9F\x98\xC3\xA9", {R, 0xE9}, false},
        TextRow{"\xE0\x80\xAF", {R, R, R}, false}, TextRow{"\xED\xA0\x80", {R, R, R}, false},
        TextRow{"\xF0\x8F\xBF\xBF", {R, R, R, R}, false}, TextRow{"\xF4\x90\x80\x80", {R, R, R, R}, false},
        TextRow{
            "\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64", {'a', R, R, R, 'b', R, 'c', R, R, 'd'}, false}));
#endif

TEST(NameHash, DocumentedValuesAndLoneSurrogates) {
  EXPECT_EQ(GenerateID("abc"), 96354);
  EXPECT_EQ(GenerateID("abcdefghij"), -634317659);  // bucket 123 of 151
  EXPECT_EQ(GenerateID("Aa"), 2112);
  EXPECT_EQ(GenerateID(static_cast<const char*>(nullptr)), 0);
  EXPECT_EQ(GenerateID(static_cast<const VemWChar*>(nullptr)), 0);
#if !defined(_WIN32)
  const VemWChar lone[] = {0xD83D, 'x', 0xDE00, 0xD83D, 0xD83D, 0xDE00, 0};
  EXPECT_EQ(vem::WideToUtf8(lone), "\xEF\xBF\xBDx\xEF\xBF\xBD\xEF\xBF\xBD\xF0\x9F\x98\x80");
  const uint8_t oddLength[] = {0x00, 0xD8, 0x41, 0x00, 0x42};
  EXPECT_EQ(vem::Utf16LeToUtf8(oddLength, sizeof oddLength),
            "\xEF\xBF\xBD"
            "A");
#endif
}

}  // namespace
