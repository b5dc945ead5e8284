// Runs the built vemreg in a scratch hive of its own, as a user would.
#ifndef VEMMISC_TESTS_TOOLS_VEMREG_RUNNER_H_
#define VEMMISC_TESTS_TOOLS_VEMREG_RUNNER_H_

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace vem_test {

struct RunResult {
  int exit_code = -1;
  std::string out;
  std::string err;
};

// A whole file as bytes; an empty text when it cannot be read.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

// Each test gets an empty folder; VEMMISC_REGISTRY_DIR names its "hive"
// folder, which the tool (and the library, in this process) use for every hive.
class VemregTest : public ::testing::Test {
 protected:
  VemregTest();
  ~VemregTest() override;

  // Runs command[0] (a path) with the rest as arguments, standard input from
  // /dev/null; exit_code is -1 when it did not exit normally.
  RunResult RunProgram(const std::vector<std::string>& command);
  RunResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), VEMREG_PATH);
    return RunProgram(args);
  }
  // Runs vemreg and expects success with nothing on standard error.
  std::string RunOk(const std::vector<std::string>& args);
  std::string PathOf(const std::string& name) const { return folder_.PathOf(name); }

  TempFolder folder_;
};

}  // namespace vem_test

#endif  // VEMMISC_TESTS_TOOLS_VEMREG_RUNNER_H_
