#include "tests/tools/vemreg_runner.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

namespace vem_test {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

VemregTest::VemregTest() : folder_("vemreg-") { setenv("VEMMISC_REGISTRY_DIR", PathOf("hive").c_str(), 1); }

VemregTest::~VemregTest() { unsetenv("VEMMISC_REGISTRY_DIR"); }

RunResult VemregTest::RunProgram(const std::vector<std::string>& command) {
  std::vector<std::string> owned = command;
  std::vector<char*> argv;
  for (std::string& arg : owned) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const std::string out_path = PathOf("stdout"), err_path = PathOf("stderr");
  const pid_t pid = fork();
  if (pid == 0) {
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(126);
    execv(argv[0], argv.data());
    _exit(127);
  }
  RunResult result;
  int status = 0;
  if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
  result.out = ReadFile(out_path);
  result.err = ReadFile(err_path);
  return result;
}

std::string VemregTest::RunOk(const std::vector<std::string>& args) {
  const RunResult result = Run(args);
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.err, "");
  return result.out;
}

}  // namespace vem_test
