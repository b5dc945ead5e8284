// vemreg as reg.exe is used: one table of command lines run in order on one
// hive, each with its exit code, its exact output ("~" before a text asks
// only that the output holds it), a text its error line must hold, and a
// file: written before an import, the text expected of an export. The files
// are those regedit does not write, good and bad; what the runs against Wine
// cover (regedit's own files, reg add's data) is not here.
#include <signal.h>
#include <sys/resource.h>

#include <string>
#include <vector>

#include "VemSettings.h"
#include "tests/tools/vemreg_runner.h"
#include "text/utf16_text.h"

namespace vem_test {
namespace {

using CommandTableTest = VemregTest;

struct Step {
  std::vector<std::string> args;  // "%/" stands for the scratch folder
  int exit_code;
  std::string out;
  std::string err;  // empty: nothing on standard error
  std::string file = {};
};

const std::string kV5 = "Windows Registry Editor Version 5.00\r\n";
// A file whose third line is a mistake; a failed import changes nothing.
const std::string kBad = kV5 + "[HKCU\\F]\r\n";
const std::vector<std::string> kImport = {"import", "%/in.reg"};
const std::vector<std::string> kExport = {"export", "HKCU\\F", "%/out.reg", "/y"};

const Step kSteps[] = {
    {{"/?"}, 0, "~Return code: 0 - Successful, 1 - Failed", ""},
    {{"/?", "query"}, 1, "", "Type \"vemreg /?\" for usage."},
    {{"query", "/?"}, 0, "~VEMREG QUERY KEY", ""},
    {{"ADD", "-?"}, 0, "~VEMREG ADD KEY", ""},
    {{"delete", "--help"}, 0, "~VEMREG DELETE KEY", ""},
    {{}, 1, "", "No command given"},
    {{"frob"}, 1, "", "Unknown command: frob"},
    {{"query"}, 1, "", "Too few operands for query"},
    {{"query", "HKCU", "/f"}, 1, "", "Invalid switch for query: /f"},
    {{"add", "HKCU\\T", "/v"}, 1, "", "The switch /v needs an argument"},
    {{"add", "HKCU\\T", "/v", "x", "/V", "y"}, 1, "", "The switch /v is given more than once"},
    {{"delete", "HKCU\\T", "/v", "x", "/va"}, 1, "", "Give only one of /v, /ve and /va"},
    {{"query", "HKEY_NOWHERE\\T"}, 1, "", "Invalid key name: HKEY_NOWHERE\\T"},
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
    {{"add", "HKLM\\R", "/v", "r", "/d", "m"}, 0, "", ""},
    {{"query", "HKEY_LOCAL_MACHINE\\R"}, 0, "\nHKEY_LOCAL_MACHINE\\R\n    r    REG_SZ    m\n", ""},
    {{"query", "HKCC\\A"}, 1, "", "Cannot open the registry hive of HKEY_CURRENT_CONFIG"},
    // What the library wrote shows as binary.
    {{"query", "HKCU\\Software\\Tamrel\\VemTools\\Audio"},
     0,
     "\nHKEY_CURRENT_USER\\Software\\Tamrel\\VemTools\\Audio\n    Gain3    REG_BINARY    0A0BFF\n",
     ""},
    // Deleting needs /f without a terminal.
    {{"delete", "HKCU\\T"}, 1, "", "not a terminal"},
    {{"delete", "HKCU", "/f"}, 1, "", "A root key cannot be deleted"},
    // Exports never overwrite unasked, and write nothing for what a file cannot hold.
    {{"export", "HKCU\\T", "%/old.reg"}, 1, "", "/y"},
    {{"export", "HKCU\\T", "%/old.reg", "/y"}, 0, "", ""},
    {{"export", "HKCU\\T", "%/no/such.reg"}, 1, "", "Cannot write the file"},
    {{"export", "HKCU\\Missing", "%/none.reg"}, 1, "", "ERROR: "},
    {{"add", "HKCU\\T\\two\nlines"}, 0, "", ""},
    {{"export", "HKCU\\T", "%/none.reg"}, 1, "", "line break"},
    {{"delete", "HKCU\\T", "/f"}, 0, "", ""},
    {{"add", "HKCU\\T", "/v", "\xD0\xB6"}, 0, "", ""},
    {{"export", "HKCU\\T", "%/none.reg", "/a"}, 1, "", "Windows-1252"},
    // Escapes, raw line breaks, deletions and comments in an LF file, UTF-8
    // with a byte-order mark, and a stray byte in UTF-8 (read as U+FFFD, so
    // that export writes back what import stored).
    {kImport, 0, "", "",
     "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\F\\Gone]\n\"x\"=\"1\"\n"
     "[-HKEY_CURRENT_USER\\F\\Gone]\n; comment\n[HKEY_CURRENT_USER\\F]\n"
     "\"esc\"=\"a\\\\b\\\"c\\nd\\re\\0f\"\n\"raw\"=\"one\r\ntwo\nthree\"\n"
     "\"old\"=dword:1\n\"old\"=-\n\"hex\"=hex(2):41,00,\\\n  00,00 ; end\n"},
    {kExport, 0, "", "",
     "[HKEY_CURRENT_USER\\F]\r\n"
     "\"esc\"=hex(1):61,00,5c,00,62,00,22,00,63,00,0a,00,64,00,0d,00,65,00,00,00,66,00,\\\r\n"
     "  00,00\r\n\"hex\"=hex(2):41,00,00,00\r\n\"raw\"=\"one\\r\\ntwo\\nthree\"\r\n\r\n"},
    {{"delete", "HKCU\\F", "/f"}, 0, "", ""},
    {kImport, 0, "", "",
     "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n[HKCU\\F\\Caf\xC3\xA9]\r\n"
     "\"Gr\xC3\xB6\xC3\x9F"
     "e\"=\"\xD0\xB6 \xE2\x82\xAC\"\r\n"},
    {kExport, 0, "", "",
     "[HKEY_CURRENT_USER\\F]\r\n\r\n[HKEY_CURRENT_USER\\F\\Caf\xC3\xA9]\r\n"
     "\"Gr\xC3\xB6\xC3\x9F"
     "e\"=\"\xD0\xB6 \xE2\x82\xAC\"\r\n\r\n"},
    {{"delete", "HKCU\\F", "/f"}, 0, "", ""},
    {kImport, 0, "", "", "Windows Registry Editor Version 5.00\n\n[HKCU\\F\\Caf\x99]\n\"x\"=\"y\"\n"},
    {kExport, 0, "", "",
     "[HKEY_CURRENT_USER\\F]\r\n\r\n[HKEY_CURRENT_USER\\F\\Caf\xEF\xBF\xBD]\r\n\"x\"=\"y\"\r\n\r\n"},
    // Mistakes name the file, line and column.
    {{"add", "HKCU\\F", "/v", "kept", "/d", "yes"}, 0, "", ""},
    {kImport, 1, "", "in.reg, line 3, column 7: unknown escape \\q", kBad + "\"a\"=\"b\\qc\""},
    {kImport, 1, "", "line 3, column 12: \"0g\" is not a byte in hex digits", kBad + "\"a\"=hex:00,0g,01"},
    {kImport, 1, "", "line 3, column 11: dword: needs 1 to 8 hex digits", kBad + "\"a\"=dword:123456789"},
    {kImport, 1, "", "line 3, column 21: the key name is not closed", kBad + "[HKEY_CURRENT_USER\\T"},
    {kImport, 1, "", "line 3, column 2: \"HKEY_LOCAL_MACHINES\\T\" is not a key", kBad + "[HKEY_LOCAL_MACHINES\\T]"},
    {kImport, 1, "", "the file is UTF-16 big-endian", "\xFE\xFFxx"},
    {kImport, 1, "", "ends in the middle of a character", "\xFF\xFEx"},
    {kImport, 1, "", "the file does not start with", "Windows Registry Editor Version 5.0\r\n"},
    {kImport, 1, "", "in.reg, line 4: cannot create the key HKEY_CURRENT_USER\\F\\kkk",
     kBad + "\"kept\"=-\n[HKCU\\F\\" + std::string(256, 'k') + "]"},
    {kImport, 1, "", "in.reg: the changes could not be saved",
     kV5 + "[HKCU\\F]\n\"big\"=\"" + std::string(600000, 'b') + "\""},
    {{"import", "%/absent.reg"}, 1, "", "Cannot read the file"},
    {{"query", "HKCU\\F"},
     0,
     "\nHKEY_CURRENT_USER\\F\n    kept    REG_SZ    yes\n\nHKEY_CURRENT_USER\\F\\Caf\xEF\xBF\xBD\n",
     ""},
};

// The hive of HKEY_CURRENT_CONFIG is a file that is no hive: it is reported
// and left alone, and the other roots still work. No file may grow beyond
// 1 MiB (a write past that fails, without a signal), so that the hive's log
// cannot take the 1.2 MB string of the big import.
TEST_F(CommandTableTest, CommandLinesAsRegExeTakesThem) {
  rlimit kept{};
  getrlimit(RLIMIT_FSIZE, &kept);
  const rlimit limited{1 << 20, kept.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  signal(SIGXFSZ, SIG_IGN);
  SettingsManager settings;
  ASSERT_TRUE(settings.SetParam("\x0A\x0B\xFF", 3, "Audio", "Gain", 3));
  WriteFile(PathOf("old.reg"), "old");
  WriteFile(PathOf("hive/HKEY_CURRENT_CONFIG.db"), "not a hive");
  for (const Step& step : kSteps) {
    std::vector<std::string> args = step.args;
    for (std::string& arg : args) {
      if (arg.rfind("%/", 0) == 0) arg = PathOf(arg.substr(2));
    }
    if (!step.file.empty() && args[0] == "import") WriteFile(PathOf("in.reg"), step.file);
    const RunResult result = Run(args);
    SCOPED_TRACE(::testing::PrintToString(args) + "\n" + result.out + result.err);
    EXPECT_EQ(result.exit_code, step.exit_code);
    const bool part = step.out.rfind("~", 0) == 0;
    EXPECT_TRUE(part ? result.out.find(step.out.substr(1)) != std::string::npos : result.out == step.out);
    // Errors are one line, with the prefix of reg.exe's.
    EXPECT_TRUE(step.err.empty()
                    ? result.err.empty()
                    : result.err.find(step.err) != std::string::npos && result.err.rfind("ERROR: ", 0) == 0 &&
                          result.err.back() == '\n' && result.err.find("ERROR", 1) == std::string::npos);
    if (!step.file.empty() && args[0] == "export") {
      const std::string out = ReadFile(args[2]).erase(0, 2);  // after the byte-order mark
      EXPECT_EQ(vem::Utf16LeToUtf8(reinterpret_cast<const uint8_t*>(out.data()), out.size()), kV5 + "\r\n" + step.file);
    }
  }
  EXPECT_GT(ReadFile(PathOf("old.reg")).size(), 3u);
  EXPECT_EQ(ReadFile(PathOf("none.reg")), "");
  EXPECT_EQ(ReadFile(PathOf("hive/HKEY_CURRENT_CONFIG.db")), "not a hive");
  signal(SIGXFSZ, SIG_DFL);
  setrlimit(RLIMIT_FSIZE, &kept);
}

}  // namespace
}  // namespace vem_test
