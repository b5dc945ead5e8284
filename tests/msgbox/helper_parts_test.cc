// The parts of the Linux dialog that need no display: the records exchanged
// with the helper, dialog units, and the word wrap of the message field.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "msgbox/helper/dialog_units.h"
#include "msgbox/helper/line_wrap.h"
#include "msgbox/helper_protocol.h"

namespace vem {
namespace {

// Random fields of any bytes read back as written (the first of a repeated
// name wins), and a record cut anywhere but between fields is refused whole.
TEST(HelperRecordTest, RandomRecordsRoundTripAndCutOnesAreRefused) {
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    FieldRecord written;
    std::map<std::string, std::string> first;
    std::map<std::string, std::int64_t> numbers;
    std::set<std::size_t> ends;
    for (int i = random() % 5; i >= 0; --i) {
      const std::string name = std::vector<std::string>{"a", "b", "c d"}[random() % 3];
      std::string value(random() % 40, 'x');
      for (char& c : value)
        c = "x \n\r\0\xFF"
            "9-"[random() % 8];
      const std::int64_t number = static_cast<std::int64_t>(random()) * (random() % 2 ? -977 : 1);
      if (random() % 4 == 0) {
        written.Add(name, number);
        if (first.count(name) == 0) numbers[name] = number;
        value = std::to_string(number);
      } else {
        written.Add(name, value);
      }
      first.emplace(name, value);
      ends.insert(written.bytes().size());
    }
    FieldRecord read;
    ASSERT_TRUE(read.Parse(written.bytes()));
    for (const auto& [name, value] : first) {
      ASSERT_NE(nullptr, read.Find(name));
      EXPECT_EQ(value, *read.Find(name));
      std::int64_t number = 0;
      if (numbers.count(name) != 0) {
        EXPECT_TRUE(read.FindInteger(name, &number));
        EXPECT_EQ(numbers[name], number);
      } else if (value.find('x') != std::string::npos || value.empty()) {
        EXPECT_FALSE(read.FindInteger(name, &number)) << value;
      }
    }
    for (std::size_t cut = 1; cut < written.bytes().size(); ++cut) {
      if (ends.count(cut) == 0) {
        ASSERT_FALSE(FieldRecord().Parse(std::string_view(written.bytes()).substr(0, cut))) << cut;
      }
    }
  }
}

TEST(HelperRecordTest, MalformedCountsAreRefused) {
  for (const char* text : {"caption 3\nabcd\n", "caption\nabc\n", "caption x\nabc\n", "caption -3\nabc\n", " 3\nabc\n",
                           "caption 99999999999999999999999\n"}) {
    EXPECT_FALSE(FieldRecord().Parse(text)) << text;
  }
}

// Base units average the 52 letters to the nearest pixel; rectangles scale
// by a quarter of the width and an eighth of the height, rounded.
TEST(DialogUnitsTest, FontAndRectanglesInPixels) {
  const struct {
    int alphabet, line;
    DialogUnitsRect rect;
    PixelRect pixels;
  } cases[] = {{300, 13, {0, 0, 279, 178}, {0, 0, 419, 289}},  // 5.77 rounds to 6
               {300, 13, {110, 149, 50, 14}, {165, 242, 75, 23}},
               {338, 15, {1, 3, 2, 5}, {2, 6, 4, 9}},   // 6.5 rounds up to 7
               {337, 15, {1, 3, 2, 5}, {2, 6, 3, 9}}};  // 6.48 rounds to 6
  for (const auto& c : cases) {
    const PixelRect p = ToPixels(c.rect, BaseUnitsFromFont(c.alphabet, c.line));
    EXPECT_EQ(std::vector<int>({c.pixels.x, c.pixels.y, c.pixels.width, c.pixels.height}),
              std::vector<int>({p.x, p.y, p.width, p.height}))
        << c.alphabet << " " << c.rect.x;
  }
}

// --- Word wrap ---------------------------------------------------------------------

// Random texts of words, spaces, tabs, line breaks, multi-byte and malformed
// characters, wrapped at random widths with random character widths. Every
// wrap must keep every byte, keep lines within the width, break after spaces
// where a line has any, and move a word down only when it would not fit.
TEST(LineWrapTest, RandomTextsWrapGreedilyAtSpacesAndKeepEveryByte) {
  const std::vector<std::string> pieces = {
      "a", "b", "W", " ", " ", "\t", "\n", "\r", "\r\n", "\xC3\xA9", "\xE4\xB8\xAD", "\xFF"};
  std::mt19937 random(19);
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    for (int n = std::uniform_int_distribution<int>(0, 120)(random); n > 0; --n)
      text += pieces[random() % pieces.size()];
    std::map<char32_t, int> assigned;
    for (char32_t c : {U'a', U'b', U'W', U' ', U'\u00E9', U'\u4E2D', U'\uFFFD'}) assigned[c] = 1 + random() % 9;
    CharacterWidths widths([&](char32_t c) { return assigned.at(c); });
    const int width = std::uniform_int_distribution<int>(1, 40)(random);
    const int tab_stop = std::uniform_int_distribution<int>(4, 16)(random);
    const std::vector<DisplayLine> lines = WrapLines(text, width, tab_stop, widths);
    SCOPED_TRACE(::testing::Message() << "round " << round << ": width " << width << ", text \"" << text << '"');

    // Width of text[from, to) drawn from the start of a line, or of the same
    // without the spaces it ends in; the number of characters but spaces.
    auto measure = [&](std::size_t from, std::size_t to, bool trim, int* count) {
      int x = 0;
      int trimmed = 0;
      *count = 0;
      for (std::size_t at = from; at < to;) {
        const char32_t c = NextCharacter(text, &at);
        x = c == '\t' ? (x / tab_stop + 1) * tab_stop : x + assigned.at(c);
        if (c != ' ' && c != '\t') {
          trimmed = x;
          ++*count;
        }
      }
      return trim ? trimmed : x;
    };
    auto is_space = [&](std::size_t at) { return text[at] == ' ' || text[at] == '\t'; };
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(0u, lines.front().start);
    EXPECT_EQ(text.size(), lines.back().end);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const DisplayLine& line = lines[i];
      ASSERT_LE(line.start, line.end);
      int count = 0;
      const int used = measure(line.start, line.end, true, &count);
      if (count > 1) {
        EXPECT_LE(used, width) << "line " << i;  // one character alone may be too wide
      }
      if (i + 1 == lines.size()) break;
      const DisplayLine& next = lines[i + 1];
      const std::string gap = text.substr(line.end, next.start - line.end);
      EXPECT_TRUE(gap.empty() || gap == "\n" || gap == "\r\n" || (gap == "\r" && text[next.start] != '\n'))
          << "line " << i;
      if (!gap.empty() || line.start == line.end) continue;
      // A wrap: the next word (or, inside a word, the next character) did not fit.
      std::size_t word_end = next.start;
      if (is_space(line.end - 1)) {
        while (word_end < text.size() && !is_space(word_end) && text[word_end] != '\n' && text[word_end] != '\r') {
          ++word_end;
        }
      } else {
        for (std::size_t at = line.start; at < line.end; ++at) {
          EXPECT_FALSE(is_space(at)) << "broke a word on line " << i;
        }
        NextCharacter(text, &word_end);
      }
      EXPECT_GT(measure(line.start, word_end, false, &count), width) << "line " << i << " had room";
    }
  }
}

}  // namespace
}  // namespace vem
