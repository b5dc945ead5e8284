// vemreg against Wine's regedit and reg, the real implementations of the
// registry editor's files and reg.exe's parsing. Generated trees of keys and
// values (seeded; VEMREG_PEER_SEED picks another seed) go into both sides from
// one file; then each side's export must equal the other's byte for byte,
// Wine's export must read back through SettingsManager as generated, and
// vemreg's exports (both formats) must bring Wine back to the same export.
// Generated reg add commands must succeed or fail alike and store the same.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <set>

#include "VemSettings.h"
#include "settings/registry_defs.h"
#include "tests/tools/vemreg_runner.h"
#include "text/name_case.h"
#include "text/utf16_text.h"

namespace {

using vem::kRegBinary;
using vem::kRegDword;
using vem::kRegExpandSz;
using vem::kRegMultiSz;
using vem::kRegNone;
using vem::kRegQword;
using vem::kRegSz;
using vem::SameName;
using vem::Utf8ToUtf16Le;

const char kWine[] = "/usr/lib/wine/wine64";
const char kTestKey[] = "HKEY_CURRENT_USER\\Software\\VemregPeer";
const char kTestPath[] = "Software\\VemregPeer";
// The add test's own key, so that the two tests may run at once.
const char kAddKey[] = "HKEY_CURRENT_USER\\Software\\VemregPeerAdd";

struct Value {
  std::string name;
  uint32_t type;
  std::vector<uint8_t> data;
};
struct Key {
  std::string path;  // below kTestPath
  std::vector<Value> values;
};

class Generator {
 public:
  Generator(uint32_t seed, bool ansi) : random_(seed), ansi_(ansi) {}

  std::vector<Key> Tree() {
    std::vector<Key> keys;
    AddChildren("", 0, &keys);
    return keys;
  }

 private:
  size_t Below(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random_); }

  // Text of `length` characters; value texts and names may hold the
  // characters that a registration file escapes.
  std::string Text(size_t length, bool escapable) {
    static const char* const kAnsi[] = {
        "a", "B", "z", "Q", "_", "[", " ", "7", "\xC3\xA4", "\xC3\x84", "\xC3\x9F", "\xE2\x82\xAC", "]", "`"};
    static const char* const kWide[] = {"\xD0\xB6", "\xD0\x96", "\xCE\xA9", "\xCF\x89", "\xF0\x9F\x98\x80"};
    static const char* const kEscaped[] = {"\\", "\"", "\n", "\r", "\t"};
    std::string text;
    for (size_t i = 0; i < length; ++i) {
      const size_t pick = Below(20);
      if (escapable && pick == 0) {
        text += kEscaped[Below(5)];
      } else if (!ansi_ && pick == 1) {
        text += kWide[Below(5)];
      } else {
        text += kAnsi[Below(14)];
      }
    }
    return text;
  }

  std::string Name(bool value_name) {
    const size_t length = Below(8) == 0 ? 55 + Below(40) : 1 + Below(10);
    std::string name = Text(length, value_name);
    if (!value_name) {
      // Key names keep blanks inside, where every editor keeps them.
      if (name.front() == ' ') name.front() = 'k';
      if (name.back() == ' ') name.back() = 'k';
    }
    return name;
  }

  void AppendText(const std::string& text, std::vector<uint8_t>* data) {
    const std::vector<uint8_t> units = Utf8ToUtf16Le(text.data(), text.size());
    data->insert(data->end(), units.begin(), units.end());
    data->insert(data->end(), {0, 0});
  }

  Value RandomValue(const std::string& name) {
    static const uint32_t kTypes[] = {kRegSz,    kRegSz,     kRegExpandSz, kRegMultiSz, kRegDword,
                                      kRegQword, kRegBinary, kRegBinary,   kRegNone,    0x12345};
    Value value{name, kTypes[Below(10)], {}};
    size_t count = value.type == kRegDword ? 4 : value.type == kRegQword ? 8 : Below(90);
    switch (value.type) {
      case kRegSz:
      case kRegExpandSz: AppendText(Text(Below(30), true), &value.data); break;
      case kRegMultiSz:
        for (count = Below(4); count > 0; --count) AppendText(Text(1 + Below(9), true), &value.data);
        value.data.insert(value.data.end(), {0, 0});
        break;
      default:
        while (count-- > 0) value.data.push_back(static_cast<uint8_t>(Below(256)));
    }
    return value;
  }

  void AddChildren(const std::string& path, int depth, std::vector<Key>* keys) {
    std::set<std::string> names;
    for (size_t children = 1 + Below(depth == 0 ? 4 : 3); children > 0; --children) {
      const std::string name = Name(false);
      if (!names.insert(vem::NameKey(name)).second) continue;
      Key key{path.empty() ? name : path + "\\" + name, {}};
      std::set<std::string> value_names;
      for (size_t count = Below(7); count > 0; --count) {
        const std::string value_name = Below(6) == 0 ? std::string() : Name(true);
        if (value_names.insert(vem::NameKey(value_name)).second) {
          key.values.push_back(RandomValue(value_name));
        }
      }
      keys->push_back(key);
      if (depth < 2 && Below(2) == 0) AddChildren(key.path, depth + 1, keys);
    }
  }

  std::mt19937 random_;
  const bool ansi_;
};

// The tree as a version 5.00 file in which every value is raw hex bytes, so
// that both sides store exactly the generated bytes.
std::vector<uint8_t> RawFile(const std::vector<Key>& keys) {
  std::string text = "Windows Registry Editor Version 5.00\r\n";
  for (const Key& key : keys) {
    text += "\r\n[" + std::string(kTestKey) + "\\" + key.path + "]\r\n";
    for (const Value& value : key.values) {
      std::string name = "@";
      if (!value.name.empty()) {
        name = "\"";
        for (char c : value.name) {
          name += c == '\n' ? "\\n" : c == '\r' ? "\\r" : c == '\\' || c == '"' ? "\\" : "";
          if (c != '\n' && c != '\r') name += c;
        }
        name += "\"";
      }
      char type[16];
      std::snprintf(type, sizeof type, "hex(%x):", static_cast<unsigned>(value.type));
      text += name + "=" + type;
      for (size_t i = 0; i < value.data.size(); ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, i == 0 ? "%02x" : ",%02x", value.data[i]);
        text += byte;
      }
      text += "\r\n";
    }
  }
  const std::vector<uint8_t> units = Utf8ToUtf16Le(text.data(), text.size());
  std::vector<uint8_t> file(2 + units.size());
  file[0] = 0xFF;
  file[1] = 0xFE;
  std::copy(units.begin(), units.end(), file.begin() + 2);
  return file;
}

// The first line where two exports differ, for the failure message.
std::string FirstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  const std::string ta = vem::Utf16LeToUtf8(a.data(), a.size());
  const std::string tb = vem::Utf16LeToUtf8(b.data(), b.size());
  size_t line = 0, start = 0;
  for (size_t i = 0; i < ta.size() && i < tb.size() && ta[i] == tb[i]; ++i) {
    if (ta[i] == '\n') start = i + 1, ++line;
  }
  return "line " + std::to_string(line + 1) + ":\n  " + ta.substr(start, ta.find('\n', start) - start) + "\n  " +
         tb.substr(start, tb.find('\n', start) - start);
}

class WinePeerTest : public VemregTest {
 protected:
  void SetUp() override {
    if (access(kWine, X_OK) != 0) GTEST_SKIP() << "Wine is not installed (" << kWine << ")";
    VemregTest::SetUp();
    const char* seed = std::getenv("VEMREG_PEER_SEED");
    seed_ = seed != nullptr ? static_cast<uint32_t>(std::strtoul(seed, nullptr, 10)) : 20261206;
  }

  RunResult Wine(std::vector<std::string> args) {
    args.insert(args.begin(), {VEMREG_WINE_RUN, VEMREG_WINE_PREFIX});
    ++wine_calls_;
    return RunProgram(args);
  }
  std::string WinePath(const std::string& name) {
    std::string path = "Z:" + PathOf(name);
    for (char& c : path) c = c == '/' ? '\\' : c;
    return path;
  }
  // Wine's registry holds exactly what `file` (in the scratch directory) says.
  void WineImport(const std::string& file) {
    Wine({"reg", "delete", kTestKey, "/f"});
    ASSERT_EQ(Wine({"regedit", "/S", WinePath(file)}).exit_code, 0);
  }
  std::vector<uint8_t> WineExport(const std::string& file) {
    Wine({"regedit", "/E", WinePath(file), kTestKey});
    return ReadFile(PathOf(file));
  }
  // vemreg's export of a fresh hive into which `file` was imported.
  std::vector<uint8_t> VemregExport(const std::string& file, const std::string& out, const char* format = nullptr) {
    setenv("VEMMISC_REGISTRY_DIR", PathOf("hive" + std::to_string(++hives_)).c_str(), 1);
    RunOk({"import", PathOf(file)});
    std::vector<std::string> args = {"export", kTestKey, PathOf(out), "/y"};
    if (format != nullptr) args.push_back(format);
    RunOk(args);
    return ReadFile(PathOf(out));
  }

  uint32_t seed_ = 0;
  int wine_calls_ = 0;
  int hives_ = 0;
};

TEST_F(WinePeerTest, ExportsImportsAndSettingsAgree) {
  for (uint32_t round = 0; round < 4; ++round) {
    const bool ansi = round % 2 == 1;
    SCOPED_TRACE("seed " + std::to_string(seed_ + round) + (ansi ? ", REGEDIT4" : ""));
    const std::vector<Key> keys = Generator(seed_ + round, ansi).Tree();
    WriteFile(PathOf("raw.reg"), RawFile(keys));
    WineImport("raw.reg");
    const std::vector<uint8_t> wine = WineExport("wine.reg");
    const std::vector<uint8_t> ours = VemregExport("raw.reg", "ours.reg");
    ASSERT_EQ(ours, wine) << FirstDifference(ours, wine);

    // Wine's export, imported by vemreg, reads back as generated.
    VemregExport("wine.reg", "again.reg");
    for (const Key& key : keys) {
      const size_t cut = key.path.rfind('\\');
      const std::string parent =
          std::string(kTestPath) + (cut == std::string::npos ? "" : "\\" + key.path.substr(0, cut));
      SettingsManager settings("HKEY_CURRENT_USER", parent.c_str(), 0);
      const std::string section = cut == std::string::npos ? key.path : key.path.substr(cut + 1);
      for (const Value& value : key.values) {
        // The narrow registry calls give text as narrow (UTF-8) text.
        std::vector<uint8_t> expected = value.data;
        if (vem::IsTextValueType(value.type)) {
          const std::string text = vem::Utf16LeToUtf8(value.data.data(), value.data.size());
          expected.assign(text.begin(), text.end());
        }
        std::vector<uint8_t> read(expected.size() + 1);
        const uint32_t size = settings.GetParamDataLen(section.c_str(), value.name.c_str(), -1);
        EXPECT_TRUE(
            settings.GetParam(read.data(), static_cast<int32_t>(read.size()), section.c_str(), value.name.c_str(), -1))
            << key.path << " / " << value.name;
        read.resize(size);
        EXPECT_EQ(read, expected) << key.path << " / " << value.name;
      }
    }

    // vemreg's exports bring Wine back to the same export.
    const std::vector<uint8_t> mine = ansi ? VemregExport("raw.reg", "ours4.reg", "/a") : ours;
    WineImport(ansi ? "ours4.reg" : "ours.reg");
    const std::vector<uint8_t> back = WineExport("back.reg");
    EXPECT_EQ(back, wine) << FirstDifference(back, wine);
    if (ansi) {
      const std::vector<uint8_t> reread = VemregExport("ours4.reg", "reread.reg");
      EXPECT_EQ(reread, wine) << FirstDifference(reread, wine);
    }
  }
  std::printf("[ seed %u: %d Wine calls ]\n", seed_, wine_calls_);
}

// Streams of add and delete commands on a few keys and names, /d texts built
// from the pieces reg.exe's reading turns on: each command must succeed or
// fail alike, and the keys end up alike.
TEST_F(WinePeerTest, CommandsAsRegDoes) {
  std::mt19937 random(seed_);
  auto pick = [&random](const std::vector<std::string>& choices) {
    return choices[std::uniform_int_distribution<size_t>(0, choices.size() - 1)(random)];
  };
  const std::vector<std::string> signs = {"", "", " ", "\t", "+", "-", "-", " -", "+-"};
  const std::vector<std::string> bodies = {"0",
                                           "7",
                                           "010",
                                           "4294967295",
                                           "4294967296",
                                           "0x",
                                           "0xfFfFfFfF",
                                           "0x100000000",
                                           "18446744073709551615",
                                           "18446744073709551616",
                                           "00x5",
                                           "0x0x1",
                                           ""};
  const std::vector<std::string> ends = {"", "", "", "", " ", "g"};
  const std::vector<std::string> hex = {"", "a", "0", "Bc", "12", "x", " ", "ff", "7"};
  const std::vector<std::string> strings = {"", "a", "\\0", "\\0", "\\", "0", "b\xC3\xA4", "#"};
  const std::vector<std::string> types = {
      "REG_SZ",    "REG_EXPAND_SZ", "REG_MULTI_SZ", "REG_MULTI_SZ", "REG_DWORD", "REG_DWORD", "REG_DWORD",
      "reg_qword", "REG_QWORD",     "REG_BINARY",   "REG_NONE",     "REG_FOO",   ""};
  // Names that differ in case only, and one at the registry's limit of 255.
  const std::vector<std::string> keys = {"\\A", "\\a\\B", "\\A\\b\\\xC3\x84", "\\\xC3\xA4",
                                         "\\" + std::string(255, 'k')};
  const std::vector<std::string> names = {"v", "V", "\xC3\x9F", "w"};
  Wine({"reg", "delete", kAddKey, "/f"});
  Wine({"reg", "add", kAddKey, "/f"});
  RunOk({"add", kAddKey, "/ve"});  // reg add makes the default value of a key it creates
  for (int i = 0; i < 80; ++i) {
    const std::string key = kAddKey + pick(keys);
    std::vector<std::string> args = {i % 4 == 3 ? "delete" : "add", key, "/f"};
    const std::string which = pick({"/v", "/v", "/v", "/ve", "/va", ""});
    if (which == "/v") args.insert(args.end(), {"/v", pick(names)});
    if (args[0] == "delete" || which == "/ve") {
      if (which != "") args.push_back(which);
    } else {
      const std::string type = pick(types);
      std::string data;
      for (int part = 0; part < 4; ++part) {
        const bool number = SameName(type, "REG_DWORD") || SameName(type, "REG_QWORD");
        data += number                 ? (part == 0   ? pick(signs)
                                          : part == 1 ? pick(bodies)
                                          : part == 2 ? pick(ends)
                                                      : "")
                : type == "REG_BINARY" ? pick(hex)
                                       : pick(strings);
      }
      if (!type.empty()) args.insert(args.end(), {"/t", type});
      if (i % 7 != 3) args.insert(args.end(), {"/d", data});
      if (i % 5 == 1) args.insert(args.end(), {"/s", pick({"#", "0", "##"})});
    }
    std::vector<std::string> wine_args = args;
    wine_args.insert(wine_args.begin(), "reg");
    std::string shown;
    for (const std::string& arg : args) shown += " [" + arg + "]";
    const int wine_exit = Wine(wine_args).exit_code;
    EXPECT_EQ(Run(args).exit_code, wine_exit) << shown;
    // reg.exe creates the key before it reads the data; vemreg refuses the
    // whole command and changes nothing: Wine loses the levels it made.
    for (size_t level = key.find('\\', std::strlen(kAddKey)); wine_exit != 0 && args[0] == "add";
         level = key.find('\\', level + 1)) {
      const std::string made = key.substr(0, level);
      if (Run({"query", made}).exit_code != 0) {
        Wine({"reg", "delete", made, "/f"});
        break;
      }
      if (level == std::string::npos) break;
    }
  }
  Wine({"regedit", "/E", WinePath("wine.reg"), kAddKey});
  const std::vector<uint8_t> wine = ReadFile(PathOf("wine.reg"));
  RunOk({"export", kAddKey, PathOf("ours.reg")});
  const std::vector<uint8_t> ours = ReadFile(PathOf("ours.reg"));
  EXPECT_EQ(ours, wine) << FirstDifference(ours, wine);
  std::printf("[ seed %u: %d Wine calls ]\n", seed_, wine_calls_);
}

}  // namespace
