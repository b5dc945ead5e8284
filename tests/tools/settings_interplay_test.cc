// The tool and the library's SettingsManager see one hive.
#include "VemSettings.h"
#include "tests/tools/vemreg_runner.h"

namespace {

using SettingsInterplayTest = VemregTest;

const char kSectionKey[] = "HKCU\\Software\\Tamrel\\VemTools\\Audio";

TEST_F(SettingsInterplayTest, ValueWrittenByTheLibraryShowsInQuery) {
  SettingsManager settings;
  const uint8_t gain[] = {0x0A, 0x0B, 0x0C, 0xFF};
  ASSERT_TRUE(settings.SetParam(gain, sizeof gain, "Audio", "Gain", 3));
  const std::string text = "loud";
  ASSERT_TRUE(settings.SetString(&text, "Audio", "Mode", -1));
  EXPECT_EQ(RunOk({"query", kSectionKey}),
            "\nHKEY_CURRENT_USER\\Software\\Tamrel\\VemTools\\Audio\n"
            "    Gain3    REG_BINARY    0A0B0CFF\n"
            "    Mode    REG_BINARY    6C6F756400\n");
}

TEST_F(SettingsInterplayTest, ValueAddedWithTheToolIsReadByGetParam) {
  RunOk({"add", kSectionKey, "/v", "Level", "/t", "REG_BINARY", "/d", "01020304"});
  SettingsManager settings;
  uint8_t level[4] = {};
  ASSERT_TRUE(settings.GetParam(level, sizeof level, "Audio", "level", -1));
  EXPECT_EQ(level[0], 1);
  EXPECT_EQ(level[3], 4);
  EXPECT_EQ(settings.GetParamDataLen("Audio", "Level", -1), 4u);

  // Text typed into the tool is stored as the registry stores it, and the
  // library's narrow read turns it back into the same text.
  RunOk({"add", kSectionKey, "/v", "Name", "/d", "caf\xC3\xA9"});
  std::string name;
  ASSERT_TRUE(settings.GetString(&name, "Audio", "Name", -1));
  EXPECT_EQ(name, "caf\xC3\xA9");

  RunOk({"delete", kSectionKey, "/v", "Level", "/f"});
  EXPECT_FALSE(settings.GetParam(level, sizeof level, "Audio", "Level", -1));
}

}  // namespace
