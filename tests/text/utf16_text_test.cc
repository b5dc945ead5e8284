// UTF-16 <-> UTF-8 conversion for registry text values and helper programs.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "text/utf16_text.h"

namespace {

TEST(Utf16TextTest, ConvertsEveryPlaneBothWays) {
  const std::string narrow = "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB5";  // A é € 🎵
  const std::vector<uint8_t> wide = vem::Utf8ToUtf16Le(narrow.data(), narrow.size());
  const std::vector<uint8_t> expected = {0x41, 0, 0xE9, 0, 0xAC, 0x20, 0x3C, 0xD8, 0xB5, 0xDF};
  EXPECT_EQ(wide, expected);
  EXPECT_EQ(vem::Utf16LeToUtf8(wide.data(), wide.size()), narrow);
}

TEST(Utf16TextTest, BrokenInputBecomesReplacementCharacters) {
  const uint8_t lone_surrogate[] = {0x00, 0xD8, 0x41, 0x00, 0x42};  // odd last byte dropped
  EXPECT_EQ(vem::Utf16LeToUtf8(lone_surrogate, sizeof lone_surrogate), "\xEF\xBF\xBD" "A");
  const char bad_utf8[] = "\xFF" "a\xC3";  // stray byte, truncated sequence
  EXPECT_EQ(vem::Utf8ToUtf16Le(bad_utf8, 3),
            (std::vector<uint8_t>{0xFD, 0xFF, 'a', 0, 0xFD, 0xFF}));
  const char overlong[] = "\xC0\xAF";
  EXPECT_EQ(vem::Utf8ToUtf16Le(overlong, 2), (std::vector<uint8_t>{0xFD, 0xFF, 0xFD, 0xFF}));
}

TEST(Utf16TextTest, SequenceCutByTheEndOfTheDataIsOneReplacement) {
  // A three-byte sequence missing its last byte is one maximal subpart,
  // whether the data ends there or another character follows.
  EXPECT_EQ(vem::Utf8ToUtf16Le("\xE2\x82", 2), (std::vector<uint8_t>{0xFD, 0xFF}));
  EXPECT_EQ(vem::Utf8ToUtf16Le("\xE2\x82" "a", 3),
            (std::vector<uint8_t>{0xFD, 0xFF, 'a', 0}));
  // Zero bytes inside the data are text like any other.
  EXPECT_EQ(vem::Utf8ToUtf16Le("a\0b", 3), (std::vector<uint8_t>{'a', 0, 0, 0, 'b', 0}));
}

std::string Utf8Of(std::initializer_list<std::uint16_t> units) {
  std::basic_string<VemWChar> text;
  for (std::uint16_t unit : units) text += static_cast<VemWChar>(unit);
  return vem::WideToUtf8(text.c_str());
}

TEST(WideToUtf8Test, EncodesEveryRange) {
  EXPECT_EQ("", Utf8Of({}));
  EXPECT_EQ("A\x7F", Utf8Of({'A', 0x7F}));
  EXPECT_EQ("\xC2\x80\xDF\xBF", Utf8Of({0x80, 0x7FF}));
  EXPECT_EQ("\xE0\xA0\x80\xEF\xBF\xBF", Utf8Of({0x800, 0xFFFF}));
  EXPECT_EQ("\xF0\x9F\x98\x80", Utf8Of({0xD83D, 0xDE00}));
  EXPECT_EQ("\xF4\x8F\xBF\xBF", Utf8Of({0xDBFF, 0xDFFF}));
}

TEST(WideToUtf8Test, LoneSurrogatesBecomeReplacementCharacters) {
  const std::string replacement = "\xEF\xBF\xBD";
  EXPECT_EQ(replacement + "x", Utf8Of({0xD83D, 'x'}));
  EXPECT_EQ(replacement, Utf8Of({0xDE00}));
  EXPECT_EQ(replacement, Utf8Of({0xD83D}));
  EXPECT_EQ(replacement + replacement, Utf8Of({0xDE00, 0xD83D}));
  EXPECT_EQ(replacement + "\xF0\x9F\x98\x80", Utf8Of({0xD83D, 0xD83D, 0xDE00}));
}

}  // namespace
