// Dialog resource 1001 as the DLL carries it, read field by field from the
// extended dialog template's bytes.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace vem {
namespace testing {
namespace {

// Reads a DLGTEMPLATEEX: little-endian words and double words, strings of
// UTF-16 units, "string or ordinal" fields, items aligned to double words.
class TemplateReader {
 public:
  TemplateReader(const std::uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}

  std::uint16_t Word() {
    std::uint16_t value = 0;
    Read(&value, sizeof value);
    return value;
  }
  std::uint32_t DoubleWord() {
    std::uint32_t value = 0;
    Read(&value, sizeof value);
    return value;
  }
  std::int16_t Short() { return static_cast<std::int16_t>(Word()); }
  std::uint8_t Byte() {
    std::uint8_t value = 0;
    Read(&value, sizeof value);
    return value;
  }
  std::wstring String() {
    std::wstring text;
    for (std::uint16_t unit = Word(); unit != 0 && !failed_; unit = Word()) text.push_back(unit);
    return text;
  }
  // An ordinal is returned as "#<number>", a name as itself.
  std::wstring StringOrOrdinal() {
    const std::uint16_t first = Word();
    if (first == 0xFFFF) return L"#" + std::to_wstring(Word());
    if (first == 0) return L"";
    std::wstring text(1, static_cast<wchar_t>(first));
    return text + String();
  }
  void AlignToDoubleWord() { offset_ = (offset_ + 3) & ~static_cast<std::size_t>(3); }
  bool failed() const { return failed_; }
  bool AtEnd() const { return offset_ >= size_; }

 private:
  void Read(void* out, std::size_t count) {
    if (offset_ + count > size_) {
      failed_ = true;
      return;
    }
    std::memcpy(out, bytes_ + offset_, count);
    offset_ += count;
  }

  const std::uint8_t* bytes_;
  std::size_t size_;
  std::size_t offset_ = 0;
  bool failed_ = false;
};

// The predefined control classes are stored as ordinals; a resource compiler
// may also write their names.
std::wstring ClassOrdinal(const std::wstring& className) {
  if (_wcsicmp(className.c_str(), L"Button") == 0) return L"#128";
  if (_wcsicmp(className.c_str(), L"Edit") == 0) return L"#129";
  if (_wcsicmp(className.c_str(), L"Static") == 0) return L"#130";
  return className;
}

struct ExpectedControl {
  std::int32_t id;
  const wchar_t* className;
  const wchar_t* text;
  std::uint32_t style;
  std::int16_t x, y, width, height;
};

const ExpectedControl kControls[] = {
    {1, L"Button", L"OK", 0x50010001, 110, 149, 50, 14},
    {1009, L"Static", L"The comment is absent for this message", 0x50020000, 52, 11, 207, 20},
    {1005, L"Edit", L"", 0x50A10844, 6, 52, 265, 85},
    {-1, L"Static", L"Current message:", 0x50020000, 10, 41, 62, 8},
    {1008, L"Static", L"#106", 0x50020203, 15, 10, 20, 20},
    {-1, L"Button", L"", 0x50020007, 7, 1, 37, 34},
};

class DialogTemplate : public ::testing::Test {
 protected:
  void SetUp() override {
    HMODULE library = GetModuleHandleW(L"VemMisc.dll");
    ASSERT_NE(nullptr, library);
    HRSRC resource = FindResourceW(library, MAKEINTRESOURCEW(1001), MAKEINTRESOURCEW(5));  // RT_DIALOG
    ASSERT_NE(nullptr, resource);
    const auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(library, resource)));
    ASSERT_NE(nullptr, bytes);
    bytes_.assign(bytes, bytes + SizeofResource(library, resource));
  }

  std::vector<std::uint8_t> bytes_;
};

// The fields before the first control, in their order.
struct Header {
  std::uint16_t version, signature;
  std::uint32_t helpId, extendedStyle, style;
  std::uint16_t controls;
  std::int16_t x, y, width, height;
  std::wstring menu, windowClass, caption;
  std::uint16_t pointSize, weight;
  std::uint8_t italic, charset;
  std::wstring typeface;
};

Header ReadHeader(TemplateReader& reader) {
  Header header;
  header.version = reader.Word();
  header.signature = reader.Word();
  header.helpId = reader.DoubleWord();
  header.extendedStyle = reader.DoubleWord();
  header.style = reader.DoubleWord();
  header.controls = reader.Word();
  header.x = reader.Short();
  header.y = reader.Short();
  header.width = reader.Short();
  header.height = reader.Short();
  header.menu = reader.StringOrOrdinal();
  header.windowClass = reader.StringOrOrdinal();
  header.caption = reader.String();
  // DS_SETFONT: the font follows.
  header.pointSize = reader.Word();
  header.weight = reader.Word();
  header.italic = reader.Byte();
  header.charset = reader.Byte();
  header.typeface = reader.String();
  return header;
}

TEST_F(DialogTemplate, HeaderMatchesTheLayout) {
  TemplateReader reader(bytes_.data(), bytes_.size());
  const Header header = ReadHeader(reader);
  ASSERT_FALSE(reader.failed());
  EXPECT_EQ(1, header.version);
  EXPECT_EQ(0xFFFF, header.signature);  // extended template
  EXPECT_EQ(0u, header.helpId);
  EXPECT_EQ(0u, header.extendedStyle);
  EXPECT_EQ(0x90C80848u, header.style);
  EXPECT_EQ(6, header.controls);
  EXPECT_EQ(0, header.x);
  EXPECT_EQ(0, header.y);
  EXPECT_EQ(279, header.width);
  EXPECT_EQ(178, header.height);
  EXPECT_EQ(L"", header.menu);
  EXPECT_EQ(L"", header.windowClass);  // the standard dialog class
  EXPECT_EQ(L"", header.caption);      // set at run time
  EXPECT_EQ(8, header.pointSize);
  EXPECT_EQ(400, header.weight);
  EXPECT_EQ(0, header.italic);
  EXPECT_EQ(1, header.charset);
  EXPECT_EQ(L"MS Shell Dlg", header.typeface);
}

TEST_F(DialogTemplate, ControlsInTemplateOrder) {
  TemplateReader reader(bytes_.data(), bytes_.size());
  ReadHeader(reader);
  for (const ExpectedControl& expected : kControls) {
    SCOPED_TRACE(expected.id);
    reader.AlignToDoubleWord();
    EXPECT_EQ(0u, reader.DoubleWord());  // help id
    EXPECT_EQ(0u, reader.DoubleWord());  // extended style
    EXPECT_EQ(expected.style, reader.DoubleWord());
    EXPECT_EQ(expected.x, reader.Short());
    EXPECT_EQ(expected.y, reader.Short());
    EXPECT_EQ(expected.width, reader.Short());
    EXPECT_EQ(expected.height, reader.Short());
    EXPECT_EQ(expected.id, static_cast<std::int32_t>(reader.DoubleWord()));
    EXPECT_EQ(ClassOrdinal(expected.className), ClassOrdinal(reader.StringOrOrdinal()));
    EXPECT_EQ(expected.text, reader.StringOrOrdinal());
    EXPECT_EQ(0, reader.Word());  // no creation data
  }
  EXPECT_FALSE(reader.failed());
  reader.AlignToDoubleWord();
  EXPECT_TRUE(reader.AtEnd());
}

// Each icon group holds its sizes: 16, 32 and 48 pixels, the emblem 16, 32
// and 64.
TEST(IconGroups, HoldTheirSizes) {
  HMODULE library = GetModuleHandleW(L"VemMisc.dll");
  ASSERT_NE(nullptr, library);
  for (int group : {105, 106, 107, 110, 111}) {
    SCOPED_TRACE(group);
    const int large = group == 105 ? 64 : 48;
    for (int size : {16, 32, large}) {
      HICON icon = static_cast<HICON>(LoadImageW(library, MAKEINTRESOURCEW(group), IMAGE_ICON, size, size, 0));
      ASSERT_NE(nullptr, icon);
      ICONINFO info = {};
      ASSERT_TRUE(GetIconInfo(icon, &info));
      BITMAP bitmap = {};
      GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
      EXPECT_EQ(size, bitmap.bmWidth);
      DeleteObject(info.hbmColor);
      DeleteObject(info.hbmMask);
      DestroyIcon(icon);
    }
  }
}

}  // namespace
}  // namespace testing
}  // namespace vem
