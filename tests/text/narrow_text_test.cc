#include <string>

#include <gtest/gtest.h>

#include "VemContainers.h"
#include "text/narrow_text.h"

namespace {

using Wide = std::basic_string<VemWChar>;

Wide ToWide(const char* text) {
  Wide wide;
  EXPECT_TRUE(vem::NarrowToWide(text, vem::NarrowCodePage::kSystem, &wide));
  return wide;
}

// The name hash of code units, computed here from its definition.
int32_t HashOf(const Wide& units) {
  uint32_t h = 0;
  for (VemWChar u : units) h = h * 31u + static_cast<uint16_t>(u);
  return static_cast<int32_t>(h);
}

Wide Units(std::initializer_list<uint16_t> units) {
  Wide wide;
  for (uint16_t u : units) wide.push_back(static_cast<VemWChar>(u));
  return wide;
}

}  // namespace

// ---- GenerateID -------------------------------------------------------------

TEST(GenerateID, KnownValues) {
  EXPECT_EQ(GenerateID("abc"), 96354);
  EXPECT_EQ(GenerateID("abcdefghij"), -634317659);
  const VemWChar wideAbc[] = {'a', 'b', 'c', 0};
  EXPECT_EQ(GenerateID(wideAbc), 96354);
  // The name-collision pair every storage treats as one parameter.
  EXPECT_EQ(GenerateID("Aa"), 2112);
  EXPECT_EQ(GenerateID("BB"), 2112);
}

TEST(GenerateID, NullAndEmptyAreZero) {
  EXPECT_EQ(GenerateID(static_cast<const char*>(nullptr)), 0);
  EXPECT_EQ(GenerateID(static_cast<const VemWChar*>(nullptr)), 0);
  EXPECT_EQ(GenerateID(""), 0);
  const VemWChar empty[] = {0};
  EXPECT_EQ(GenerateID(empty), 0);
}

TEST(GenerateID, LandsInTheDocumentedBucket) {
  CHashtable table;
  table.Put(GenerateID("abcdefghij"), &table);
  // m_index is where the scan stopped: the bucket of the only entry.
  struct Peek : CHtEnumerator {
    using CHtEnumerator::CHtEnumerator;
    int32_t Index() const { return m_index; }
  } peek(&table);
  ASSERT_TRUE(peek.HasMoreElements());
  EXPECT_EQ(peek.Index(), 123);
}

TEST(GenerateID, NarrowAndWideAgreeOnEveryAsciiLength) {
  // Lengths around the four-byte stride of the narrow hash, every ASCII
  // character from 1 to 127.
  std::string narrow;
  Wide wide;
  for (int i = 0; i < 300; ++i) {
    const char c = static_cast<char>(1 + (i * 37) % 127);
    narrow.push_back(c);
    wide.push_back(static_cast<VemWChar>(c));
    ASSERT_EQ(GenerateID(narrow.c_str()), GenerateID(wide.c_str()))
        << "length " << narrow.size();
    ASSERT_EQ(GenerateID(wide.c_str()), HashOf(wide));
  }
}

// ---- Conversion ---------------------------------------------------------------

TEST(NarrowToWide, AsciiMapsByteForByteAndNullIsEmpty) {
  EXPECT_EQ(ToWide("Gain 12"), Units({'G', 'a', 'i', 'n', ' ', '1', '2'}));
  EXPECT_EQ(ToWide(""), Wide());
  Wide out = Units({'x'});
  EXPECT_TRUE(vem::NarrowToWide(nullptr, vem::NarrowCodePage::kThread, &out));
  EXPECT_TRUE(out.empty());
}

#if !defined(_WIN32)
// The narrow encoding is UTF-8 here; Windows uses the ANSI code page.

TEST(NarrowToWideUtf8, WellFormedSequencesOfEveryLength) {
  // U+00E9, U+20AC, U+FFFF, U+10000, U+1F600, U+10FFFF.
  EXPECT_EQ(ToWide("\xC3\xA9\xE2\x82\xAC\xEF\xBF\xBF"),
            Units({0x00E9, 0x20AC, 0xFFFF}));
  EXPECT_EQ(ToWide("\xF0\x90\x80\x80\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF"),
            Units({0xD800, 0xDC00, 0xD83D, 0xDE00, 0xDBFF, 0xDFFF}));
}

TEST(NarrowToWideUtf8, MalformedInputGivesOneReplacementPerMaximalSubpart) {
  const uint16_t R = 0xFFFD;
  // Lone continuation bytes and bytes that never start a sequence.
  EXPECT_EQ(ToWide("a\x80\xBF" "b"), Units({'a', R, R, 'b'}));
  EXPECT_EQ(ToWide("\xC0\xAF\xC1\xBF\xF5\xFF"), Units({R, R, R, R, R, R}));
  // A truncated sequence is one subpart; the byte that breaks it starts anew.
  EXPECT_EQ(ToWide("\xE2\x82" "A"), Units({R, 'A'}));
  EXPECT_EQ(ToWide("\xF0\x9F\x98" "\xC3\xA9"), Units({R, 0x00E9}));
  EXPECT_EQ(ToWide("\xE2\x82"), Units({R}));  // cut short by the terminator
  // Overlongs, surrogates and values past U+10FFFF fail at their second
  // byte, so every byte is its own subpart.
  EXPECT_EQ(ToWide("\xE0\x80\xAF"), Units({R, R, R}));
  EXPECT_EQ(ToWide("\xED\xA0\x80"), Units({R, R, R}));
  EXPECT_EQ(ToWide("\xF0\x8F\xBF\xBF"), Units({R, R, R, R}));
  EXPECT_EQ(ToWide("\xF4\x90\x80\x80"), Units({R, R, R, R}));
  // The WHATWG example: bytes 61 F1 80 80 E1 80 C2 62 80 63 80 BF 64.
  EXPECT_EQ(ToWide("\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64"),
            Units({'a', R, R, R, 'b', R, 'c', R, R, 'd'}));
}

TEST(GenerateIDUtf8, NarrowHashEqualsTheHashOfTheConversion) {
  const char* samples[] = {
      "\xC3\xA9t\xC3\xA9",                    // two-byte sequences
      "Gain \xE2\x82\xAC / \xF0\x9F\x98\x80",  // three and four bytes
      "abcd\x80" "efgh\xF0\x9F\x98",          // malformed inside ASCII runs
      "\xF4\x8F\xBF\xBFxyzw\xED\xA0\x80",
  };
  for (const char* sample : samples) {
    EXPECT_EQ(GenerateID(sample), HashOf(ToWide(sample))) << sample;
  }
  EXPECT_EQ(GenerateID("\xF0\x90\x80\x80"), HashOf(Units({0xD800, 0xDC00})));
}
#endif
