// Registration files: what export writes, what import accepts and refuses,
// and the round trip between two hives.
#include <cstdlib>

#include "tests/tools/vemreg_runner.h"

namespace {

using ExportImportTest = VemregTest;

const char kSampleAfterImport[] =
    "\nHKEY_CURRENT_USER\\Software\n"
    "\nHKEY_CURRENT_USER\\Software\\Sample\n"
    "    (Default)    REG_SZ    default\n"
    "    Big    REG_QWORD    0x1122334455667788\n"
    "    Blob    REG_BINARY    000102030405060708090A0B0C0D0E0F10111213141516171819\n"
    "    Count    REG_DWORD    0x2a\n"
    "    Custom    REG_0x123    ABCD\n"
    "    Empty    REG_SZ    \n"
    "    Expand    REG_EXPAND_SZ    %A%\n"
    "    Multi    REG_MULTI_SZ    a\\0b\n"
    "    Nothing    REG_NONE    \n"
    "    Quoted    REG_SZ    say \"hi\" at C:\\Temp\n"
    "    Small    REG_DWORD    0x7\n";

class SampleImportTest : public VemregTest {
 protected:
  void ImportAndCheck(const std::string& fixture) {
    RunOk({"add", "HKCU\\Software\\Stale\\Child", "/v", "old", "/d", "1"});
    RunOk({"add", "HKCU\\Software\\Sample", "/v", "Gone", "/d", "2"});
    RunOk({"import", FixturePath(fixture)});
    EXPECT_EQ(RunOk({"query", "HKCU\\Software", "/s"}), kSampleAfterImport);
    EXPECT_EQ(RunOk({"query", "HKLM\\Software\\Sample"}),
              "\nHKEY_LOCAL_MACHINE\\Software\\Sample\n    Machine    REG_DWORD    0x1\n");
  }
};

TEST_F(SampleImportTest, Utf16FileWithCrlf) { ImportAndCheck("all_types_utf16.reg"); }
TEST_F(SampleImportTest, AsciiFileWithLf) { ImportAndCheck("all_types.reg"); }

TEST_F(ExportImportTest, Utf8FileWithByteOrderMark) {
  RunOk({"import", FixturePath("utf8_bom.reg")});
  EXPECT_EQ(RunOk({"query", "HKCU\\Software\\Caf\xC3\xA9"}),
            "\nHKEY_CURRENT_USER\\Software\\Caf\xC3\xA9\n"
            "    Gr\xC3\xBC\xC3\x9F"
            "e    REG_SZ    \xCE\xBA\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC"
            "\xCE\xAD\xCF\x81\xCE\xB1 \xE2\x82\xAC\n");
}

TEST_F(ExportImportTest, ExportWritesTheEditorsFormat) {
  RunOk({"import", FixturePath("all_types.reg")});
  RunOk({"add", "HKCU\\Software\\Sample\\Sub \"quoted\" [x]", "/v", "with\\backslash", "/t",
         "REG_BINARY", "/d",
         "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f"
         "202122232425262728292a2b2c2d2e2f303132333435363738393a3b3c3d3e3f"});
  RunOk({"export", "HKCU\\Software\\Sample", PathOf("out.reg")});
  std::string text;
  ASSERT_TRUE(Utf16FileToAscii(ReadFile(PathOf("out.reg")), &text));
  EXPECT_EQ(
      text,
      "Windows Registry Editor Version 5.00\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\Software\\Sample]\r\n"
      "@=\"default\"\r\n"
      "\"Big\"=hex(b):88,77,66,55,44,33,22,11\r\n"
      "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
      "  16,17,18,19\r\n"
      "\"Count\"=dword:0000002a\r\n"
      "\"Custom\"=hex(123):ab,cd\r\n"
      "\"Empty\"=\"\"\r\n"
      "\"Expand\"=hex(2):25,00,41,00,25,00,00,00\r\n"
      "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
      "\"Nothing\"=hex(0):\r\n"
      "\"Quoted\"=\"say \\\"hi\\\" at C:\\\\Temp\"\r\n"
      "\"Small\"=dword:00000007\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\Software\\Sample\\Sub \"quoted\" [x]]\r\n"
      "\"with\\\\backslash\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,\\\r\n"
      "  13,14,15,16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,\\\r\n"
      "  2c,2d,2e,2f,30,31,32,33,34,35,36,37,38,39,3a,3b,3c,3d,3e,3f\r\n"
      "\r\n");
}

TEST_F(ExportImportTest, ExportNeverOverwritesUnasked) {
  RunOk({"add", "HKCU\\A", "/v", "v", "/d", "1"});
  WriteFile(PathOf("out.reg"), {'o', 'l', 'd'});
  const RunResult refused = Run({"export", "HKCU\\A", PathOf("out.reg")});
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_NE(refused.err.find("/y"), std::string::npos) << refused.err;
  EXPECT_EQ(ReadFile(PathOf("out.reg")), (std::vector<uint8_t>{'o', 'l', 'd'}));
  RunOk({"export", "HKCU\\A", PathOf("out.reg"), "/y"});
  EXPECT_GT(ReadFile(PathOf("out.reg")).size(), 3u);
  EXPECT_EQ(Run({"export", "HKCU\\Missing", PathOf("other.reg")}).exit_code, 1);
  EXPECT_TRUE(ReadFile(PathOf("other.reg")).empty());
}

TEST_F(ExportImportTest, NamesWithLineBreaksCannotBeExported) {
  RunOk({"add", "HKCU\\A", "/v", "two\nlines", "/d", "1"});
  const RunResult result = Run({"export", "HKCU\\A", PathOf("out.reg")});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_NE(result.err.find("line break"), std::string::npos) << result.err;
  EXPECT_TRUE(ReadFile(PathOf("out.reg")).empty());
}

// Every key, name with its case, type and byte comes back, including values
// that only hex(N): can carry.
TEST_F(ExportImportTest, RoundTripIntoAnEmptyHive) {
  RunOk({"import", FixturePath("all_types.reg")});
  WriteFile(PathOf("odd.reg"),
            AsciiToUtf16File("Windows Registry Editor Version 5.00\r\n\r\n"
                             "[HKEY_CURRENT_USER\\Software\\Odd Ones]\r\n"
                             "\"Unterminated\"=hex(1):61,00\r\n"
                             "\"OddLength\"=hex(1):61,00,62\r\n"
                             "\"LineBreak\"=hex(1):61,00,0d,00,0a,00,00,00\r\n"
                             "\"ShortDword\"=hex(4):01,02\r\n"
                             "\"NoBytes\"=hex:\r\n"
                             "[HKEY_CURRENT_USER\\Software\\Odd Ones\\Empty Key]\r\n"));
  RunOk({"import", PathOf("odd.reg")});
  std::string all_bytes;
  for (int i = 0; i < 256; ++i) {
    static const char kDigits[] = "0123456789abcdef";
    all_bytes += kDigits[i / 16];
    all_bytes += kDigits[i % 16];
  }
  RunOk({"add", "HKCU\\Software\\MiXeD\\CaSe", "/v", "VaLuE", "/t", "REG_BINARY", "/d", all_bytes});
  RunOk({"add", "HKCU\\Software\\MiXeD", "/v", "\xE2\x82\xAC \"\\", "/d", "\xF0\x9F\x98\x80"});
  const std::string original = RunOk({"query", "HKCU", "/s"});
  RunOk({"export", "HKCU", PathOf("first.reg")});

  setenv("VEMMISC_REGISTRY_DIR", PathOf("second hive").c_str(), 1);
  RunOk({"import", PathOf("first.reg")});
  EXPECT_EQ(RunOk({"query", "HKCU", "/s"}), original);
  RunOk({"export", "HKCU", PathOf("second.reg")});
  EXPECT_EQ(ReadFile(PathOf("second.reg")), ReadFile(PathOf("first.reg")));
}

struct BadFile {
  const char* fixture;
  const char* message;
};

TEST_F(ExportImportTest, MalformedFilesNameTheLineAndChangeNothing) {
  const BadFile files[] = {
      {"bad_header.reg",
       "line 1: the file does not start with \"Windows Registry Editor Version 5.00\""},
      {"unterminated_string.reg", "line 5: unterminated string"},
      {"bad_hex_digit.reg", "line 6: \"0g\" is not a byte in hex digits"},
      {"outside_roots.reg",
       "line 6: \"HKEY_LOCAL_MACHINES\\Software\\Bad\" is not a key below HKEY_CLASSES_ROOT, "
       "HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS or HKEY_CURRENT_CONFIG"},
      {"folded_at_end.reg", "line 6: the line is folded with '\\' but the file ends"},
      // Fails only while being applied, after a deletion and a write.
      {"too_long_key.reg", "line 7: cannot create the key"},
  };
  RunOk({"add", "HKCU\\Software\\Keep", "/v", "kept", "/d", "yes"});
  const std::string before = RunOk({"query", "HKCU", "/s"});
  for (const BadFile& file : files) {
    const std::string path = FixturePath(file.fixture);
    const RunResult result = Run({"import", path});
    EXPECT_EQ(result.exit_code, 1) << file.fixture;
    EXPECT_EQ(result.err.rfind("ERROR: " + path + ", " + file.message, 0), 0u) << result.err;
    EXPECT_NE(result.err.find("Nothing was imported.\n"), std::string::npos) << result.err;
    EXPECT_EQ(RunOk({"query", "HKCU", "/s"}), before) << file.fixture;
  }
}

TEST_F(ExportImportTest, MoreMistakesInValueLines) {
  const std::vector<std::pair<std::string, std::string>> lines = {
      {"\"a\"=dword:123456789", "line 3: dword: needs 1 to 8 hex digits"},
      {"\"a\"=hex(x):00", "line 3: hex( needs a type"},
      {"\"a\"=str", "line 3: the data is neither"},
      {"\"a\"\"b\"", "line 3: '=' is missing"},
      {"\"a\"=\"b\" c", "line 3: text after the string"},
      {"\"a\"=\"\\q\"", "line 3: unknown escape \\q"},
      {"[HKEY_CURRENT_USER\\Software", "line 3: the key name is not closed"},
      {"[-HKEY_CURRENT_USER]", "line 3: a root key cannot be deleted"},
      {"junk", "line 3: neither a key, a value nor a comment"},
  };
  for (const auto& [line, message] : lines) {
    const bool is_key_line = line[0] == '[' || line == "junk";
    WriteFile(
        PathOf("bad.reg"),
        AsciiToUtf16File("Windows Registry Editor Version 5.00\r\n" +
                         std::string(is_key_line ? "\r\n" : "[HKCU\\X]\r\n") + line + "\r\n"));
    const RunResult result = Run({"import", PathOf("bad.reg")});
    EXPECT_EQ(result.exit_code, 1) << line;
    EXPECT_NE(result.err.find(message), std::string::npos) << line << ": " << result.err;
  }
  // A value before any key, and a file that is not there.
  WriteFile(PathOf("bad.reg"),
            AsciiToUtf16File("Windows Registry Editor Version 5.00\r\n\"a\"=\"b\"\r\n"));
  EXPECT_NE(Run({"import", PathOf("bad.reg")}).err.find("line 2: a value outside of any key"),
            std::string::npos);
  EXPECT_NE(Run({"import", PathOf("absent.reg")}).err.find("Cannot read the file"),
            std::string::npos);
  EXPECT_EQ(Run({"query", "HKCU\\X"}).exit_code, 1);
}

// Both found by fuzzing the reader against the writer: names that an import
// would store but no export could write back as they were.
TEST_F(ExportImportTest, ImportedNamesSurviveExport) {
  // A stray byte in a UTF-8 file becomes U+FFFD, as the library's narrow text does.
  const std::string stray = "Windows Registry Editor Version 5.00\n\n[HKCU\\Caf\x99]\n\"x\"=\"y\"\n";
  WriteFile(PathOf("stray.reg"), std::vector<uint8_t>(stray.begin(), stray.end()));
  RunOk({"import", PathOf("stray.reg")});
  EXPECT_EQ(RunOk({"query", "HKCU\\Caf\xEF\xBF\xBD"}),
            "\nHKEY_CURRENT_USER\\Caf\xEF\xBF\xBD\n    x    REG_SZ    y\n");
  // A key may end in one backslash, never in an empty level.
  const std::string empty_level =
      "Windows Registry Editor Version 5.00\n\n[HKCU\\A\\\\]\n\"x\"=\"y\"\n";
  WriteFile(PathOf("empty.reg"), std::vector<uint8_t>(empty_level.begin(), empty_level.end()));
  const RunResult refused = Run({"import", PathOf("empty.reg")});
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_NE(refused.err.find("line 3:"), std::string::npos) << refused.err;
  EXPECT_EQ(Run({"query", "HKCU\\A"}).exit_code, 1);
}

}  // namespace
