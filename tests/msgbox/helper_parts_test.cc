// The parts of the Linux dialog that need no display: the records exchanged
// with the helper, and dialog units.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "msgbox/helper/dialog_units.h"
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
      for (char& c : value) c = "x \n\r\0\xFF" "9-"[random() % 8];
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
  for (const char* text : {"caption 3\nabcd\n", "caption\nabc\n", "caption x\nabc\n", "caption -3\nabc\n",
                           " 3\nabc\n", "caption 99999999999999999999999\n"}) {
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
  } cases[] = {{300, 13, {0, 0, 279, 178}, {0, 0, 419, 289}},   // 5.77 rounds to 6
               {300, 13, {110, 149, 50, 14}, {165, 242, 75, 23}},
               {338, 15, {1, 3, 2, 5}, {2, 6, 4, 9}},          // 6.5 rounds up to 7
               {337, 15, {1, 3, 2, 5}, {2, 6, 3, 9}}};         // 6.48 rounds to 6
  for (const auto& c : cases) {
    const PixelRect p = ToPixels(c.rect, BaseUnitsFromFont(c.alphabet, c.line));
    EXPECT_EQ(std::vector<int>({c.pixels.x, c.pixels.y, c.pixels.width, c.pixels.height}),
              std::vector<int>({p.x, p.y, p.width, p.height}))
        << c.alphabet << " " << c.rect.x;
  }
}

}  // namespace
}  // namespace vem
