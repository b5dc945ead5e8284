// Runs the built vemreg in a scratch hive of its own, as a user would.
#ifndef VEMMISC_TESTS_TOOLS_VEMREG_RUNNER_H_
#define VEMMISC_TESTS_TOOLS_VEMREG_RUNNER_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

struct RunResult {
  int exit_code = -1;
  std::string out;
  std::string err;
};

// Each test gets an empty directory named by VEMMISC_REGISTRY_DIR, which the
// tool (and the library, in this process) use for every hive.
class VemregTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs vemreg with `args`, standard input from /dev/null.
  RunResult Run(const std::vector<std::string>& args);
  // Runs command[0] (a path) with the rest as arguments, as Run does.
  RunResult RunProgram(const std::vector<std::string>& command);
  // Runs vemreg on a pseudo-terminal and types `answer` and Enter at it;
  // everything it printed on the terminal is in `out`.
  RunResult RunOnTerminal(const std::vector<std::string>& args, const std::string& answer);
  // Runs vemreg and expects success with nothing on standard error.
  std::string RunOk(const std::vector<std::string>& args);

  // A path in the scratch directory, and files in it.
  std::string PathOf(const std::string& name) const { return dir_ + "/" + name; }
  static std::vector<uint8_t> ReadFile(const std::string& path);
  static void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

  std::string dir_;
};

#endif  // VEMMISC_TESTS_TOOLS_VEMREG_RUNNER_H_
