// add stores each type's bytes; query shows them in reg.exe's layout.
#include <filesystem>

#include "tests/tools/vemreg_runner.h"

namespace {

using QueryAddTest = VemregTest;

TEST_F(QueryAddTest, EachTypeShownAsRegExeShowsIt) {
  const std::string key = "HKCU\\Software\\Types";
  RunOk({"add", key, "/ve", "/d", "default text"});
  RunOk({"add", key, "/v", "Sz", "/d", "caf\xC3\xA9 \"q\""});
  RunOk({"add", key, "/v", "Expand", "/t", "REG_EXPAND_SZ", "/d", "%HOME%\\x"});
  RunOk({"add", key, "/v", "Multi", "/t", "REG_MULTI_SZ", "/d", "one\\0two"});
  RunOk({"add", key, "/v", "Dword", "/t", "REG_DWORD", "/d", "4294967295"});
  RunOk({"add", key, "/v", "Qword", "/t", "REG_QWORD", "/d", "0x1122334455667788"});
  RunOk({"add", key, "/v", "Bin", "/t", "REG_BINARY", "/d", "00ff7Fa0"});
  RunOk({"add", key, "/v", "None", "/t", "REG_NONE"});
  EXPECT_EQ(RunOk({"query", key}),
            "\nHKEY_CURRENT_USER\\Software\\Types\n"
            "    (Default)    REG_SZ    default text\n"
            "    Bin    REG_BINARY    00FF7FA0\n"
            "    Dword    REG_DWORD    0xffffffff\n"
            "    Expand    REG_EXPAND_SZ    %HOME%\\x\n"
            "    Multi    REG_MULTI_SZ    one\\0two\n"
            "    None    REG_NONE    0000\n"
            "    Qword    REG_QWORD    0x1122334455667788\n"
            "    Sz    REG_SZ    caf\xC3\xA9 \"q\"\n");
}

TEST_F(QueryAddTest, SubKeysListedAndSearchedWithS) {
  RunOk({"add", "HKCU\\Top\\b", "/v", "x", "/d", "1"});
  RunOk({"add", "HKCU\\Top\\A\\deep", "/v", "X", "/d", "2"});
  RunOk({"add", "HKCU\\Top", "/v", "top", "/d", "3"});
  EXPECT_EQ(RunOk({"query", "HKCU\\Top"}),
            "\nHKEY_CURRENT_USER\\Top\n    top    REG_SZ    "
            "3\n\nHKEY_CURRENT_USER\\Top\\A\nHKEY_CURRENT_USER\\Top\\b\n");
  EXPECT_EQ(RunOk({"query", "HKCU\\Top", "/s"}),
            "\nHKEY_CURRENT_USER\\Top\n    top    REG_SZ    3\n"
            "\nHKEY_CURRENT_USER\\Top\\A\n"
            "\nHKEY_CURRENT_USER\\Top\\A\\deep\n    X    REG_SZ    2\n"
            "\nHKEY_CURRENT_USER\\Top\\b\n    x    REG_SZ    1\n");
  // With /v, only the keys that hold the value, found without regard to case.
  EXPECT_EQ(RunOk({"query", "HKCU\\Top", "/v", "x", "/s"}),
            "\nHKEY_CURRENT_USER\\Top\\A\\deep\n    X    REG_SZ    2\n"
            "\nHKEY_CURRENT_USER\\Top\\b\n    x    REG_SZ    1\n");
}

TEST_F(QueryAddTest, MissingKeyOrValueIsAnError) {
  RunOk({"add", "HKCU\\Here", "/v", "v", "/d", "1"});
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"query", "HKCU\\Nowhere"},
                                             {"query", "HKCU\\Here", "/v", "w"},
                                             {"query", "HKCU\\Here", "/ve"}}) {
    const RunResult result = Run(args);
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_EQ(result.err,
              "ERROR: The system was unable to find the specified registry key or value.\n");
  }
}

TEST_F(QueryAddTest, NamesKeepTheirFirstCaseAndMatchWithoutIt) {
  RunOk({"add", "HKCU\\MixedCase", "/v", "ValueName", "/d", "old"});
  RunOk({"add", "HKCU\\MIXEDCASE", "/v", "VALUENAME", "/d", "new", "/f"});
  EXPECT_EQ(RunOk({"query", "hkcu\\mixedcase"}),
            "\nHKEY_CURRENT_USER\\mixedcase\n    ValueName    REG_SZ    new\n");
}

TEST_F(QueryAddTest, ReplacingAValueNeedsForceWithoutATerminal) {
  RunOk({"add", "HKCU\\K", "/v", "v", "/d", "first"});
  const RunResult refused = Run({"add", "HKCU\\K", "/v", "v", "/d", "second"});
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_NE(refused.err.find("add /f"), std::string::npos) << refused.err;
  EXPECT_NE(RunOk({"query", "HKCU\\K"}).find("first"), std::string::npos);
  RunOk({"add", "HKCU\\K", "/v", "v", "/d", "second", "/f"});
  EXPECT_NE(RunOk({"query", "HKCU\\K"}).find("second"), std::string::npos);
}

TEST_F(QueryAddTest, KeyNameLimitsAreTheRegistrys) {
  const std::string longest(255, 'k');
  RunOk({"add", "HKCU\\" + longest});
  const RunResult too_long = Run({"add", "HKCU\\" + longest + "k"});
  EXPECT_EQ(too_long.exit_code, 1);
  EXPECT_NE(too_long.err.find("Cannot write"), std::string::npos) << too_long.err;
}

}  // namespace

namespace {

using HiveFileTest = VemregTest;

TEST_F(HiveFileTest, AFileThatIsNoHiveIsReportedAndLeftAlone) {
  std::filesystem::create_directories(PathOf("hive"));
  const std::vector<uint8_t> garbage = {'n', 'o', 't', ' ', 'a', ' ', 'h', 'i', 'v', 'e'};
  WriteFile(PathOf("hive/HKEY_CURRENT_USER.db"), garbage);
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"query", "HKCU\\A"}, {"add", "HKCU\\A", "/v", "x", "/d", "1"}}) {
    const RunResult result = Run(args);
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_NE(result.err.find("Cannot open the registry hive of HKEY_CURRENT_USER"),
              std::string::npos)
        << result.err;
  }
  EXPECT_EQ(ReadFile(PathOf("hive/HKEY_CURRENT_USER.db")), garbage);
  // The other roots keep working.
  RunOk({"add", "HKLM\\A", "/v", "x", "/d", "1"});
}

}  // namespace
