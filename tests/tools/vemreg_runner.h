// Runs the built vemreg in a scratch hive of its own, as a user would.
#ifndef VEMMISC_TESTS_TOOLS_VEMREG_RUNNER_H_
#define VEMMISC_TESTS_TOOLS_VEMREG_RUNNER_H_

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace vem_test {

struct RunResult {
  int exit_code = -1;  // -1: it did not exit normally
  std::string out;
  std::string err;
};

// A whole file as bytes; an empty text when it cannot be read.
inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Each test gets an empty folder; VEMMISC_REGISTRY_DIR names its "hive"
// folder, which the tool (and the library, in this process) use for every hive.
class VemregTest : public ::testing::Test {
 protected:
  VemregTest() : folder_("vemreg-") { setenv("VEMMISC_REGISTRY_DIR", PathOf("hive").c_str(), 1); }
  ~VemregTest() override { unsetenv("VEMMISC_REGISTRY_DIR"); }

  // Runs `program` (vemreg unless given) with `args` through the shell, each
  // word quoted whole, standard input from /dev/null.
  RunResult Run(std::vector<std::string> args, const std::vector<std::string>& program = {VEMREG_PATH}) {
    args.insert(args.begin(), program.begin(), program.end());
    std::string line = "exec";
    for (const std::string& word : args) {
      line += " '";
      for (char c : word) line += c == '\'' ? std::string("'\\''") : std::string(1, c);
      line += "'";
    }
    const int status =
        std::system((line + " </dev/null >'" + PathOf("stdout") + "' 2>'" + PathOf("stderr") + "'").c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(PathOf("stdout")), ReadFile(PathOf("stderr"))};
  }
  // Runs vemreg and expects success with nothing on standard error.
  std::string RunOk(const std::vector<std::string>& args) {
    const RunResult result = Run(args);
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(result.err, "");
    return result.out;
  }
  std::string PathOf(const std::string& name) const { return folder_.PathOf(name); }

  TempFolder folder_;
};

}  // namespace vem_test

#endif  // VEMMISC_TESTS_TOOLS_VEMREG_RUNNER_H_
