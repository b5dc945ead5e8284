// Registration files beyond what Wine's regedit writes and reads (the peer
// test covers those, REGEDIT4 included): older and hand-made files,
// mistakes, and file safety.
#include "text/utf16_text.h"
#include "tests/tools/vemreg_runner.h"

namespace {

using ExportImportTest = VemregTest;

std::vector<uint8_t> Bytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

std::string ExportText(const std::vector<uint8_t>& file) {
  return file.size() < 2 ? "" : vem::Utf16LeToUtf8(file.data() + 2, file.size() - 2);
}

struct Accepted {
  const char* what;
  std::string file;
  const char* exported;  // vemreg's export of HKCU\T afterwards, without the header
};

TEST_F(ExportImportTest, OlderAndHandMadeFilesImport) {
  const Accepted files[] = {
      {"escapes, raw line breaks, deletions and comments in an LF file",
       "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\T\\Gone]\n\"x\"=\"1\"\n"
       "[-HKEY_CURRENT_USER\\T\\Gone]\n; comment\n[HKEY_CURRENT_USER\\T]\n"
       "\"esc\"=\"a\\\\b\\\"c\\nd\\re\\0f\"\n\"raw\"=\"one\r\ntwo\nthree\"\n"
       "\"old\"=dword:1\n\"old\"=-\n\"hex\"=hex(2):41,00,\\\n  00,00 ; end\n",
       "[HKEY_CURRENT_USER\\T]\r\n"
       "\"esc\"=hex(1):61,00,5c,00,62,00,22,00,63,00,0a,00,64,00,0d,00,65,00,00,00,66,00,\\\r\n"
       "  00,00\r\n"
       "\"hex\"=hex(2):41,00,00,00\r\n"
       "\"raw\"=\"one\\r\\ntwo\\nthree\"\r\n\r\n"},
      {"UTF-8 with byte-order mark",
       "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n[HKCU\\T\\Caf\xC3\xA9]\r\n"
       "\"Gr\xC3\xB6\xC3\x9F" "e\"=\"\xD0\xB6 \xE2\x82\xAC\"\r\n",
       "[HKEY_CURRENT_USER\\T]\r\n\r\n[HKEY_CURRENT_USER\\T\\Caf\xC3\xA9]\r\n"
       "\"Gr\xC3\xB6\xC3\x9F" "e\"=\"\xD0\xB6 \xE2\x82\xAC\"\r\n\r\n"},
  };
  for (const Accepted& file : files) {
    WriteFile(PathOf("in.reg"), Bytes(file.file));
    RunOk({"import", PathOf("in.reg")});
    RunOk({"export", "HKCU\\T", PathOf("out.reg"), "/y"});
    EXPECT_EQ(ExportText(ReadFile(PathOf("out.reg"))),
              std::string("Windows Registry Editor Version 5.00\r\n\r\n") + file.exported)
        << file.what;
    RunOk({"delete", "HKCU\\T", "/f"});
  }
}

struct Refused {
  std::string lines;  // after the header and a key line
  const char* message;
};

TEST_F(ExportImportTest, MistakesNameLineAndColumnAndChangeNothing) {
  const Refused files[] = {
      {"\"a\"=\"b\\qc\"", "line 3, column 7: unknown escape \\q"},
      {"\"a\"=\"b\nc", "line 3, column 5: the string is not closed"},
      {"\"a\"=hex:00,0g,01", "line 3, column 12: \"0g\" is not a byte in hex digits"},
      {"\"a\"=hex:00,\\", "line 3, column 12: the line is folded with '\\' but the file ends"},
      {"\"a\"=dword:123456789", "line 3, column 11: dword: needs 1 to 8 hex digits"},
      {"\"a\"=hex(x):00", "line 3, column 8: hex( needs a type"},
      {"\"a\"=str", "line 3, column 5: the data is neither"},
      {"\"a\"\"b\"", "line 3, column 4: '=' is missing"},
      {"\"a\"=\"b\" c", "line 3, column 9: text after the string"},
      {"\"a\\0\"=\"b\"", "line 3, column 1: a value name cannot hold \\0"},
      {"[HKEY_CURRENT_USER\\T", "line 3, column 21: the key name is not closed"},
      {"[HKEY_LOCAL_MACHINES\\T]", "line 3, column 2: \"HKEY_LOCAL_MACHINES\\T\" is not a key"},
      {"[-HKEY_CURRENT_USER]", "line 3, column 2: a root key cannot be deleted"},
      {"junk", "line 3, column 1: neither a key, a value nor a comment"},
      // Fails only while being applied, after a deletion and a write.
      {"\"kept\"=-\n[HKCU\\T\\" + std::string(256, 'k') + "]", "line 4: cannot create the key"},
  };
  RunOk({"add", "HKCU\\T", "/v", "kept", "/d", "yes"});
  const std::string before = RunOk({"query", "HKCU", "/s"});
  for (const Refused& file : files) {
    WriteFile(PathOf("bad.reg"),
              Bytes("Windows Registry Editor Version 5.00\r\n[HKCU\\T]\r\n" + file.lines + "\r\n"));
    const RunResult result = Run({"import", PathOf("bad.reg")});
    EXPECT_EQ(result.exit_code, 1) << file.lines;
    EXPECT_EQ(result.err.rfind("ERROR: " + PathOf("bad.reg") + ", " + file.message, 0), 0u)
        << result.err;
    EXPECT_NE(result.err.find("Nothing was imported.\n"), std::string::npos) << result.err;
  }
  WriteFile(PathOf("bad.reg"), Bytes("REGEDIT5\n"));
  EXPECT_NE(Run({"import", PathOf("bad.reg")}).err.find("line 1, column 1: the file does not"),
            std::string::npos);
  WriteFile(PathOf("bad.reg"), Bytes("REGEDIT4\n\"a\"=\"b\"\n"));
  EXPECT_NE(Run({"import", PathOf("bad.reg")}).err.find("line 2, column 1: a value outside"),
            std::string::npos);
  EXPECT_NE(Run({"import", PathOf("absent.reg")}).err.find("Cannot read the file"),
            std::string::npos);
  EXPECT_EQ(RunOk({"query", "HKCU", "/s"}), before);
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

// What a file cannot hold is refused, and no file is left behind.
TEST_F(ExportImportTest, UnwritableNamesAndTextsAreRefused) {
  const std::vector<std::vector<std::string>> cases = {
      {"add", "HKCU\\A\\two\nlines"},
      {"add", "HKCU\\A\\\xD0\xB6", "/a"},
      {"add", "HKCU\\A", "/v", "\xD0\xB6", "/a"},
      {"add", "HKCU\\A", "/v", "v", "/t", "REG_EXPAND_SZ", "/d", "\xD0\xB6", "/a"},
  };
  for (const std::vector<std::string>& add : cases) {
    const bool ansi = add.back() == "/a";
    RunOk(std::vector<std::string>(add.begin(), add.end() - (ansi ? 1 : 0)));
    std::vector<std::string> args = {"export", "HKCU\\A", PathOf("out.reg")};
    if (ansi) args.push_back("/a");
    const RunResult result = Run(args);
    EXPECT_EQ(result.exit_code, 1) << add[1];
    EXPECT_NE(result.err.find(ansi ? "Windows-1252" : "line break"), std::string::npos)
        << result.err;
    EXPECT_TRUE(ReadFile(PathOf("out.reg")).empty());
    RunOk({"delete", "HKCU\\A", "/f"});
  }
}

// Both found by fuzzing the reader against the writer: names that an import
// would store but no export could write back as they were.
TEST_F(ExportImportTest, ImportedNamesSurviveExport) {
  // A stray byte in a UTF-8 file becomes U+FFFD, as the library's narrow text does.
  WriteFile(PathOf("stray.reg"),
            Bytes("Windows Registry Editor Version 5.00\n\n[HKCU\\Caf\x99]\n\"x\"=\"y\"\n"));
  RunOk({"import", PathOf("stray.reg")});
  EXPECT_EQ(RunOk({"query", "HKCU\\Caf\xEF\xBF\xBD"}),
            "\nHKEY_CURRENT_USER\\Caf\xEF\xBF\xBD\n    x    REG_SZ    y\n");
  // A key may end in one backslash, never in an empty level.
  WriteFile(PathOf("empty.reg"),
            Bytes("Windows Registry Editor Version 5.00\n\n[HKCU\\A\\\\]\n\"x\"=\"y\"\n"));
  const RunResult refused = Run({"import", PathOf("empty.reg")});
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_NE(refused.err.find("line 3, column 2:"), std::string::npos) << refused.err;
  EXPECT_EQ(Run({"query", "HKCU\\A"}).exit_code, 1);
}

}  // namespace
