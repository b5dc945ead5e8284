// vemreg as reg.exe is used: one table of command lines run in order on one
// hive, each with its exit code, its exact output ("~" before a text asks
// only that the output holds it) and a text its error line must hold. What
// the round trips with Wine cover (file formats, reg add's data) is not here.
#include <string>
#include <vector>

#include "VemSettings.h"
#include "tests/tools/vemreg_runner.h"
#include "text/utf16_text.h"

namespace {

using CommandTableTest = VemregTest;

struct Step {
  std::vector<std::string> args;  // "%/" stands for the scratch directory
  int exit_code;
  std::string out;
  std::string err;  // empty: nothing on standard error
};

const Step kSteps[] = {
    {{"/?"}, 0, "~Return code: 0 - Successful, 1 - Failed", ""},
    {{"query", "/?"}, 0, "~VEMREG QUERY KEY", ""},
    {{"ADD", "-?"}, 0, "~VEMREG ADD KEY", ""},
    {{"delete", "--help"}, 0, "~VEMREG DELETE KEY", ""},
    {{"export", "/?"}, 0, "~VEMREG EXPORT KEY FILE", ""},
    {{"import", "/?"}, 0, "~VEMREG IMPORT FILE", ""},
    {{}, 1, "", "No command given"},
    {{"frob"}, 1, "", "Unknown command: frob"},
    {{"query"}, 1, "", "Too few operands for query"},
    {{"query", "HKCU", "HKLM"}, 1, "", "Too many operands"},
    {{"query", "HKCU", "/f"}, 1, "", "Invalid switch for query: /f"},
    {{"import", "a.reg", "-x"}, 1, "", "Invalid switch for import: /x"},
    {{"add", "HKCU\\T", "/v"}, 1, "", "The switch /v needs an argument"},
    {{"add", "HKCU\\T", "/v", "x", "/V", "y"}, 1, "", "The switch /v is given more than once"},
    {{"delete", "HKCU\\T", "/v", "x", "/va"}, 1, "", "Give only one of /v, /ve and /va"},
    {{"query", "HKEY_NOWHERE\\T"}, 1, "", "Invalid key name: HKEY_NOWHERE\\T"},
    {{"query", "HKCU\\T\\\\B"}, 1, "", "Invalid key name"},
    {{"query", "Software\\T"}, 1, "", "Invalid key name"},
    {{"add", "HKCU\\T", "/v", "x", "/t", "REG_FOO"}, 1, "", "Unsupported registry data type [REG_FOO]"},
    // Each type as reg.exe shows it; names keep their first case.
    {{"add", "HKCU\\T", "/ve", "/d", "default"}, 0, "", ""},
    {{"ADD", "hkcu\\t", "-V", "Dword", "/T", "reg_dword", "-D", "4294967295", "/F"}, 0, "", ""},
    {{"add", "HKCU\\T", "/v", "Qword", "/t", "REG_QWORD", "/d", "0x1122334455667788"}, 0, "", ""},
    {{"add", "HKCU\\T", "/v", "Bin", "/t", "REG_BINARY", "/d", "00ff7Fa0"}, 0, "", ""},
    {{"add", "HKCU\\T", "/v", "Multi", "/t", "REG_MULTI_SZ", "/d", "one\\0two"}, 0, "", ""},
    {{"add", "HKCU\\T", "/v", "Sz", "/d", "caf\xC3\xA9 \"q\""}, 0, "", ""},
    {{"add", "HKCU\\T", "/v", "SZ", "/d", "again"}, 1, "", "add /f"},
    {{"add", "HKCU\\T", "/v", "SZ", "/d", "new", "/f"}, 0, "", ""},
    {{"add", "HKCU\\T\\Sub\\Deep", "/v", "sz", "/d", "deep"}, 0, "", ""},
    {{"add", "HKCU\\T\\a"}, 0, "", ""},
    {{"query", "hkey_current_user\\t"},
     0,
     "\nHKEY_CURRENT_USER\\t\n    (Default)    REG_SZ    default\n    Bin    REG_BINARY    "
     "00FF7FA0\n"
     "    Dword    REG_DWORD    0xffffffff\n    Multi    REG_MULTI_SZ    one\\0two\n"
     "    Qword    REG_QWORD    0x1122334455667788\n    Sz    REG_SZ    new\n\n"
     "HKEY_CURRENT_USER\\t\\a\nHKEY_CURRENT_USER\\t\\Sub\n",
     ""},
    {{"query", "HKCU\\T", "/v", "SZ", "/s"},
     0,
     "\nHKEY_CURRENT_USER\\T\n    Sz    REG_SZ    new\n\nHKEY_CURRENT_USER\\T\\Sub\\Deep\n    sz   "
     " REG_SZ    deep\n",
     ""},
    {{"query", "HKCU\\Nowhere"}, 1, "", "unable to find the specified registry key or value"},
    {{"query", "HKCU\\T", "/v", "w"}, 1, "", "unable to find"},
    {{"query", "HKCU\\T\\a", "/ve"}, 1, "", "unable to find"},
    {{"add", "HKCU\\" + std::string(255, 'k')}, 0, "", ""},
    {{"add", "HKCU\\" + std::string(256, 'k')}, 1, "", "Cannot write"},
    {{"add", "HKLM\\R", "/v", "r", "/d", "m"}, 0, "", ""},
    {{"add", "HKCR\\R"}, 0, "", ""},
    {{"add", "HKU\\R"}, 0, "", ""},
    {{"add", "HKCC\\R"}, 0, "", ""},
    {{"query", "HKEY_LOCAL_MACHINE\\R"}, 0, "\nHKEY_LOCAL_MACHINE\\R\n    r    REG_SZ    m\n", ""},
    {{"query", "HKEY_CLASSES_ROOT\\R"}, 0, "\nHKEY_CLASSES_ROOT\\R\n", ""},
    {{"query", "HKEY_USERS\\R"}, 0, "\nHKEY_USERS\\R\n", ""},
    {{"query", "HKEY_CURRENT_CONFIG\\R"}, 0, "\nHKEY_CURRENT_CONFIG\\R\n", ""},
    // What the library wrote shows as binary.
    {{"query", "HKCU\\Software\\Tamrel\\VemTools\\Audio"},
     0,
     "\nHKEY_CURRENT_USER\\Software\\Tamrel\\VemTools\\Audio\n    Gain3    REG_BINARY    0A0BFF\n",
     ""},
    // Deleting needs /f without a terminal, and takes exactly what it names.
    {{"delete", "HKCU\\T"}, 1, "", "not a terminal"},
    {{"delete", "HKCU\\T", "/va"}, 1, "", "/f"},
    {{"delete", "HKCU\\T", "/v", "bin", "/f"}, 0, "", ""},
    {{"delete", "HKCU\\T", "/ve", "/f"}, 0, "", ""},
    {{"delete", "HKCU\\T", "/v", "bin", "/f"}, 1, "", "ERROR: "},
    {{"delete", "HKCU\\T\\a", "/ve", "/f"}, 1, "", "ERROR: "},
    {{"delete", "HKCU\\T\\Sub", "/va", "/f"}, 0, "", ""},
    {{"delete", "HKCU\\Nowhere", "/f"}, 1, "", "ERROR: "},
    {{"delete", "HKCU", "/f"}, 1, "", "A root key cannot be deleted"},
    {{"delete", "HKEY_CURRENT_USER\\", "/f"}, 1, "", "ERROR: "},
    {{"query", "HKCU\\T\\Sub", "/s"},
     0,
     "\nHKEY_CURRENT_USER\\T\\Sub\n\nHKEY_CURRENT_USER\\T\\Sub\\Deep\n"
     "    sz    REG_SZ    deep\n",
     ""},
    // Exports never overwrite unasked, and write nothing for what a file cannot hold.
    {{"export", "HKCU\\T", "%/old.reg"}, 1, "", "/y"},
    {{"export", "HKCU\\T", "%/old.reg", "/y"}, 0, "", ""},
    {{"export", "HKCU\\Missing", "%/none.reg"}, 1, "", "ERROR: "},
    {{"add", "HKCU\\T\\two\nlines"}, 0, "", ""},
    {{"export", "HKCU\\T", "%/none.reg"}, 1, "", "line break"},
    {{"delete", "HKCU\\T", "/f"}, 0, "", ""},
    {{"add", "HKCU\\T", "/v", "\xD0\xB6"}, 0, "", ""},
    {{"export", "HKCU\\T", "%/none.reg", "/a"}, 1, "", "Windows-1252"},
    {{"query", "HKCU\\T\\Sub"}, 1, "", "unable to find"},
};

TEST_F(CommandTableTest, CommandLinesAsRegExeTakesThem) {
  SettingsManager settings;
  ASSERT_TRUE(settings.SetParam("\x0A\x0B\xFF", 3, "Audio", "Gain", 3));
  WriteFile(PathOf("old.reg"), {'o', 'l', 'd'});
  for (const Step& step : kSteps) {
    std::vector<std::string> args = step.args;
    for (std::string& arg : args) {
      if (arg.rfind("%/", 0) == 0) arg = PathOf(arg.substr(2));
    }
    const RunResult result = Run(args);
    const std::string shown = args.empty() ? "(none)" : args[0] + " " + (args.size() > 1 ? args[1] : "");
    EXPECT_EQ(result.exit_code, step.exit_code) << shown << "\n" << result.err;
    if (step.out.rfind("~", 0) == 0) {
      EXPECT_NE(result.out.find(step.out.substr(1)), std::string::npos) << shown << "\n" << result.out;
    } else {
      EXPECT_EQ(result.out, step.out) << shown;
    }
    EXPECT_NE(result.err.find(step.err), std::string::npos) << shown << "\n" << result.err;
    EXPECT_TRUE(result.err.empty() || (result.err.rfind("ERROR: ", 0) == 0 && result.err.back() == '\n' &&
                                       result.err.find("ERROR", 1) == std::string::npos))
        << result.err;
    EXPECT_EQ(step.err.empty(), result.err.empty()) << shown << "\n" << result.err;
  }
  EXPECT_GT(ReadFile(PathOf("old.reg")).size(), 3u);
  EXPECT_TRUE(ReadFile(PathOf("none.reg")).empty());
}

// Files that regedit does not write: escapes, raw line breaks, deletions and
// comments in an LF file, UTF-8 with a byte-order mark, and a stray byte in
// UTF-8 (read as U+FFFD, so that export writes back what import stored).
TEST_F(CommandTableTest, HandMadeFilesImport) {
  const std::pair<std::string, std::string> kFiles[] = {
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\T\\Gone]\n\"x\"=\"1\"\n"
       "[-HKEY_CURRENT_USER\\T\\Gone]\n; comment\n[HKEY_CURRENT_USER\\T]\n"
       "\"esc\"=\"a\\\\b\\\"c\\nd\\re\\0f\"\n\"raw\"=\"one\r\ntwo\nthree\"\n"
       "\"old\"=dword:1\n\"old\"=-\n\"hex\"=hex(2):41,00,\\\n  00,00 ; end\n",
       "[HKEY_CURRENT_USER\\T]\r\n"
       "\"esc\"=hex(1):61,00,5c,00,62,00,22,00,63,00,0a,00,64,00,0d,00,65,00,00,00,66,00,\\\r\n"
       "  00,00\r\n\"hex\"=hex(2):41,00,00,00\r\n\"raw\"=\"one\\r\\ntwo\\nthree\"\r\n\r\n"},
      {"\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n[HKCU\\T\\Caf\xC3\xA9]\r\n"
       "\"Gr\xC3\xB6\xC3\x9F"
       "e\"=\"\xD0\xB6 \xE2\x82\xAC\"\r\n",
       "[HKEY_CURRENT_USER\\T]\r\n\r\n[HKEY_CURRENT_USER\\T\\Caf\xC3\xA9]\r\n"
       "\"Gr\xC3\xB6\xC3\x9F"
       "e\"=\"\xD0\xB6 \xE2\x82\xAC\"\r\n\r\n"},
      {"Windows Registry Editor Version 5.00\n\n[HKCU\\T\\Caf\x99]\n\"x\"=\"y\"\n",
       "[HKEY_CURRENT_USER\\T]\r\n\r\n[HKEY_CURRENT_USER\\T\\Caf\xEF\xBF\xBD]\r\n\"x\"="
       "\"y\"\r\n\r\n"},
  };
  for (const auto& [file, exported] : kFiles) {
    WriteFile(PathOf("in.reg"), std::vector<uint8_t>(file.begin(), file.end()));
    RunOk({"import", PathOf("in.reg")});
    RunOk({"export", "HKCU\\T", PathOf("out.reg"), "/y"});
    const std::vector<uint8_t> out = ReadFile(PathOf("out.reg"));
    ASSERT_GT(out.size(), 2u);
    EXPECT_EQ(vem::Utf16LeToUtf8(out.data() + 2, out.size() - 2),
              "Windows Registry Editor Version 5.00\r\n\r\n" + exported);
    RunOk({"delete", "HKCU\\T", "/f"});
  }
}

// Mistakes in a registration file name the file, line and column, and an
// import that fails (also while being applied) changes nothing.
TEST_F(CommandTableTest, ImportMistakesChangeNothing) {
  const std::pair<std::string, const char*> kFiles[] = {
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
      {"[HKCU\\A\\\\]", "line 3, column 2:"},
      {"junk", "line 3, column 1: neither a key, a value nor a comment"},
      {"\"kept\"=-\n[HKCU\\T\\" + std::string(256, 'k') + "]", "line 4: cannot create the key"},
  };
  RunOk({"add", "HKCU\\T", "/v", "kept", "/d", "yes"});
  const std::string before = RunOk({"query", "HKCU", "/s"});
  for (const auto& [lines, message] : kFiles) {
    const std::string text = "Windows Registry Editor Version 5.00\r\n[HKCU\\T]\r\n" + lines + "\r\n";
    WriteFile(PathOf("bad.reg"), std::vector<uint8_t>(text.begin(), text.end()));
    const RunResult result = Run({"import", PathOf("bad.reg")});
    EXPECT_EQ(result.exit_code, 1) << lines;
    EXPECT_EQ(result.err.rfind("ERROR: " + PathOf("bad.reg") + ", " + message, 0), 0u) << result.err;
    EXPECT_NE(result.err.find("Nothing was imported.\n"), std::string::npos) << result.err;
  }
  EXPECT_NE(Run({"import", PathOf("absent.reg")}).err.find("Cannot read the file"), std::string::npos);
  EXPECT_EQ(RunOk({"query", "HKCU", "/s"}), before);
}

// On a terminal delete asks, and does only what the answer allows.
TEST_F(CommandTableTest, DeleteAsksOnATerminal) {
  RunOk({"add", "HKCU\\App", "/v", "a", "/d", "1"});
  const RunResult declined = RunOnTerminal({"delete", "HKCU\\App"}, "no");
  EXPECT_EQ(declined.exit_code, 1);
  EXPECT_NE(declined.out.find("Permanently delete the registry key HKEY_CURRENT_USER\\App"), std::string::npos);
  EXPECT_NE(declined.out.find("cancelled"), std::string::npos) << declined.out;
  EXPECT_EQ(RunOnTerminal({"delete", "HKCU\\App", "/v", "a"}, "").exit_code, 1);
  EXPECT_EQ(Run({"query", "HKCU\\App", "/v", "a"}).exit_code, 0);
  EXPECT_EQ(RunOnTerminal({"delete", "HKCU\\App", "/v", "a"}, "Yes").exit_code, 0);
  EXPECT_EQ(Run({"query", "HKCU\\App", "/v", "a"}).exit_code, 1);
  const RunResult forced = RunOnTerminal({"delete", "HKCU\\App", "/f"}, "");
  EXPECT_EQ(forced.exit_code, 0);
  EXPECT_EQ(forced.out.find("(Yes/No)"), std::string::npos) << forced.out;
  EXPECT_EQ(Run({"query", "HKCU\\App"}).exit_code, 1);
}

// A hive file that is no hive is reported and left alone; other roots work.
TEST_F(CommandTableTest, AFileThatIsNoHiveIsLeftAlone) {
  RunOk({"add", "HKLM\\A"});
  const std::vector<uint8_t> garbage = {'n', 'o', 't', ' ', 'a', ' ', 'h', 'i', 'v', 'e'};
  WriteFile(PathOf("hive/HKEY_CURRENT_USER.db"), garbage);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"query", "HKCU\\A"}, std::vector<std::string>{"add", "HKCU\\A", "/d", "1"}}) {
    const RunResult result = Run(args);
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_NE(result.err.find("Cannot open the registry hive of HKEY_CURRENT_USER"), std::string::npos) << result.err;
  }
  EXPECT_EQ(ReadFile(PathOf("hive/HKEY_CURRENT_USER.db")), garbage);
  RunOk({"add", "HKLM\\A", "/v", "x", "/d", "1"});
}

}  // namespace
