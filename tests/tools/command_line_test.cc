// Usage, exit status and one-line error messages of the command line.
#include "tests/tools/vemreg_runner.h"

namespace {

using CommandLineTest = VemregTest;

bool IsOneErrorLine(const std::string& err) {
  return err.rfind("ERROR: ", 0) == 0 && err.find('\n') == err.size() - 1;
}

TEST_F(CommandLineTest, UsageOfToolAndOfEachCommand) {
  // The tool's usage shows every operation's, as reg.exe's does, and its return codes.
  const std::string usage = RunOk({"/?"});
  EXPECT_EQ(RunOk({"--help"}), usage);
  for (const char* command : {"query", "add", "delete", "export", "import"}) {
    EXPECT_NE(usage.find(RunOk({command, "--help"})), std::string::npos) << command;
  }
  EXPECT_NE(usage.find("Return code: 0 - Successful, 1 - Failed"), std::string::npos);
  EXPECT_EQ(RunOk({"query", "/?"}).rfind("VEMREG QUERY KEY", 0), 0u);
  EXPECT_EQ(RunOk({"ADD", "-?"}).rfind("VEMREG ADD KEY", 0), 0u);
  EXPECT_EQ(RunOk({"delete", "/?"}).rfind("VEMREG DELETE KEY", 0), 0u);
  EXPECT_EQ(RunOk({"export", "/?"}).rfind("VEMREG EXPORT KEY FILE", 0), 0u);
  EXPECT_EQ(RunOk({"import", "/?"}).rfind("VEMREG IMPORT FILE", 0), 0u);
}

TEST_F(CommandLineTest, MistakesExitWithOneAndOneLine) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{}, "No command given"},
      {{"frob"}, "Unknown command: frob"},
      {{"query"}, "Too few operands for query"},
      {{"query", "HKCU", "HKLM"}, "Too many operands for query"},
      {{"query", "HKCU", "/f"}, "Invalid switch for query: /f"},
      {{"import", "a.reg", "-x"}, "Invalid switch for import: /x"},
      {{"add", "HKCU\\A", "/v"}, "The switch /v needs an argument"},
      {{"add", "HKCU\\A", "/v", "x", "/V", "y"}, "The switch /v is given more than once"},
      {{"delete", "HKCU\\A", "/v", "x", "/va"}, "Give only one of /v, /ve and /va"},
      {{"query", "HKEY_NOWHERE\\A"}, "Invalid key name: HKEY_NOWHERE\\A"},
      {{"query", "HKCU\\A\\\\B"}, "Invalid key name"},
      {{"delete", "HKCU", "/f"}, "A root key cannot be deleted"},
      {{"query", "Software\\A"}, "Invalid key name"},
      {{"add", "HKCU\\A", "/v", "x", "/t", "REG_FOO"}, "Unsupported registry data type [REG_FOO]"},
  };
  for (const auto& [args, message] : cases) {
    const RunResult result = Run(args);
    EXPECT_EQ(result.exit_code, 1) << message;
    EXPECT_TRUE(IsOneErrorLine(result.err)) << result.err;
    EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
  }
}

TEST_F(CommandLineTest, SwitchesIgnoreCaseAndDashes) {
  RunOk({"ADD", "hkcu\\A", "-V", "x", "/T", "reg_dword", "-D", "7", "/F"});
  EXPECT_NE(RunOk({"query", "HKEY_CURRENT_USER\\A", "/v", "X"}).find("x    REG_DWORD    0x7"),
            std::string::npos);
}

TEST_F(CommandLineTest, AbsolutePathIsAnOperandNotASwitch) {
  RunOk({"add", "HKCU\\A"});
  RunOk({"export", "HKCU\\A", PathOf("out.reg")});
  EXPECT_FALSE(ReadFile(PathOf("out.reg")).empty());
}

TEST_F(CommandLineTest, EveryRootByLongAndShortName) {
  const std::vector<std::pair<std::string, std::string>> roots = {{"HKCR", "HKEY_CLASSES_ROOT"},
                                                                  {"HKCU", "HKEY_CURRENT_USER"},
                                                                  {"HKLM", "HKEY_LOCAL_MACHINE"},
                                                                  {"HKU", "HKEY_USERS"},
                                                                  {"HKCC", "HKEY_CURRENT_CONFIG"}};
  for (const auto& [short_name, long_name] : roots) {
    RunOk({"add", short_name + "\\Probe", "/v", "root", "/d", long_name});
    EXPECT_EQ(RunOk({"query", long_name + "\\Probe"}),
              "\n" + long_name + "\\Probe\n    root    REG_SZ    " + long_name + "\n");
  }
}

}  // namespace
