// The parts of the Linux dialog that need no display: the records exchanged
// with the helper, the UTF-8 form of texts, dialog units, and icon choice.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "msgbox/helper/dialog_template.h"
#include "msgbox/helper/dialog_units.h"
#include "msgbox/helper_protocol.h"

namespace vem {
namespace {

// --- Records ------------------------------------------------------------------

TEST(HelperRecordTest, AnyBytesRoundTrip) {
  std::string binary("line\nbreak\r\n\0nul \xFF\xFE <b>&amp; %s", 29);
  const std::string huge(1 << 20, 'm');
  FieldRecord written;
  written.Add("caption", binary);
  written.Add("message", huge);
  written.Add("empty", std::string_view());
  written.Add("kind", std::int64_t{-1});
  written.Add("owner", std::int64_t{0x7fffffffffffffff});

  FieldRecord read;
  ASSERT_TRUE(read.Parse(written.bytes()));
  ASSERT_NE(nullptr, read.Find("caption"));
  EXPECT_EQ(binary, *read.Find("caption"));
  EXPECT_EQ(huge, *read.Find("message"));
  EXPECT_EQ("", *read.Find("empty"));
  std::int64_t number = 0;
  EXPECT_TRUE(read.FindInteger("kind", &number));
  EXPECT_EQ(-1, number);
  EXPECT_TRUE(read.FindInteger("owner", &number));
  EXPECT_EQ(0x7fffffffffffffff, number);
  EXPECT_EQ(nullptr, read.Find("comment"));
  EXPECT_FALSE(read.FindInteger("caption", &number)) << "not a number";
  EXPECT_FALSE(read.FindInteger("empty", &number));
}

TEST(HelperRecordTest, RepeatedNamesFindTheFirst) {
  FieldRecord record;
  ASSERT_TRUE(record.Parse("control 3\none\ncontrol 3\ntwo\n"));
  EXPECT_EQ("one", *record.Find("control"));
}

TEST(HelperRecordTest, MalformedRecordsAreRefusedWhole) {
  const char* malformed[] = {
      "caption 5\nabc\n",       // shorter than its count
      "caption 3\nabcd\n",      // not closed where its count ends
      "caption 3\nabc",         // no closing line end
      "caption\nabc\n",         // no count
      "caption x\nabc\n",       // count not a number
      "caption -3\nabc\n",      // negative count
      " 3\nabc\n",              // no name
      "kind 1\n1\ncaption 2",   // good field, then a cut one
      "caption 99999999999999999999999\n",
  };
  for (const char* text : malformed) {
    FieldRecord record;
    EXPECT_FALSE(record.Parse(text)) << text;
    EXPECT_EQ(nullptr, record.Find("kind")) << text;
  }
  FieldRecord empty;
  EXPECT_TRUE(empty.Parse(""));
}

// --- Dialog units ----------------------------------------------------------------

TEST(DialogUnitsTest, BaseUnitsAverageTheAlphabetToTheNearestPixel) {
  EXPECT_EQ(6, BaseUnitsFromFont(300, 13).x);  // 5.77
  EXPECT_EQ(13, BaseUnitsFromFont(300, 13).y);
  EXPECT_EQ(7, BaseUnitsFromFont(338, 15).x);  // 6.5 rounds up
  EXPECT_EQ(6, BaseUnitsFromFont(337, 15).x);  // 6.48
}

TEST(DialogUnitsTest, TemplateRectanglesInPixels) {
  // The classic 8 point dialog font: 6 by 13 pixels per base unit.
  const BaseUnits classic{6, 13};
  const PixelRect dialog = ToPixels(DialogUnitsRect{0, 0, kDialogWidth, kDialogHeight}, classic);
  EXPECT_EQ(419, dialog.width);
  EXPECT_EQ(289, dialog.height);
  const PixelRect ok = ToPixels(kTemplateControls[0].rect, classic);
  EXPECT_EQ(165, ok.x);
  EXPECT_EQ(242, ok.y);
  EXPECT_EQ(75, ok.width);
  EXPECT_EQ(23, ok.height);
}

TEST(DialogTemplateTest, ControlsInTemplateAndTabOrder) {
  const int ids[] = {kOkButtonId, kCommentId, kMessageId, -1, kIconId, -1};
  ASSERT_EQ(std::size(ids), std::size(kTemplateControls));
  for (std::size_t i = 0; i < std::size(ids); ++i) EXPECT_EQ(ids[i], kTemplateControls[i].id) << i;
  EXPECT_STREQ("Current message:", kTemplateControls[3].text);
  EXPECT_STREQ("The comment is absent for this message", kTemplateControls[1].text);
}

TEST(DialogTemplateTest, KindsChooseTheirIcons) {
  EXPECT_STREQ("question", IconNameForKind(0));
  EXPECT_STREQ("information", IconNameForKind(1));
  EXPECT_STREQ("warning", IconNameForKind(2));
  EXPECT_STREQ("error", IconNameForKind(3));
  EXPECT_STREQ("information", IconNameForKind(4));
  EXPECT_STREQ("information", IconNameForKind(-1));
  EXPECT_STREQ("information", IconNameForKind(0x7fffffff));
}

}  // namespace
}  // namespace vem
