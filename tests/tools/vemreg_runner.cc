#include "tests/tools/vemreg_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

std::string ReadAll(int fd) {
  std::string text;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
  return text;
}

std::vector<char*> ArgvOf(std::vector<std::string>* args) {
  std::vector<char*> argv;
  for (std::string& arg : *args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  return argv;
}

int ExitCodeOf(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace

void VemregTest::SetUp() {
  std::string pattern = ::testing::TempDir() + "vemreg-XXXXXX";
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  dir_ = pattern;
  setenv("VEMMISC_REGISTRY_DIR", PathOf("hive").c_str(), 1);
}

void VemregTest::TearDown() {
  unsetenv("VEMMISC_REGISTRY_DIR");
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

RunResult VemregTest::Run(const std::vector<std::string>& args) {
  std::vector<std::string> command = args;
  command.insert(command.begin(), VEMREG_PATH);
  return RunProgram(command);
}

RunResult VemregTest::RunProgram(const std::vector<std::string>& command) {
  std::vector<std::string> owned = command;
  std::vector<char*> argv = ArgvOf(&owned);
  const std::string out_path = PathOf("stdout"), err_path = PathOf("stderr");
  const pid_t pid = fork();
  if (pid == 0) {
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    execv(argv[0], argv.data());
    _exit(127);
  }
  RunResult result;
  result.exit_code = ExitCodeOf(pid);
  std::ifstream out(out_path, std::ios::binary), err(err_path, std::ios::binary);
  result.out.assign(std::istreambuf_iterator<char>(out), {});
  result.err.assign(std::istreambuf_iterator<char>(err), {});
  return result;
}

RunResult VemregTest::RunOnTerminal(const std::vector<std::string>& args, const std::string& answer) {
  std::vector<std::string> owned = args;
  owned.insert(owned.begin(), VEMREG_PATH);
  std::vector<char*> argv = ArgvOf(&owned);
  int terminal = -1;
  const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
  if (pid == 0) {
    execv(argv[0], argv.data());
    _exit(127);
  }
  RunResult result;
  if (pid < 0) return result;
  // Answers once the question is on the screen, so that the answer is not
  // taken for something typed before the tool started.
  std::string seen;
  char buffer[4096];
  while (seen.find("(Yes/No)?") == std::string::npos) {
    pollfd ready = {terminal, POLLIN, 0};
    if (poll(&ready, 1, 10000) <= 0) break;
    const ssize_t n = read(terminal, buffer, sizeof buffer);
    if (n <= 0) break;
    seen.append(buffer, static_cast<size_t>(n));
  }
  const std::string typed = answer + "\n";
  if (write(terminal, typed.data(), typed.size()) < 0) seen += "(typing failed)";
  seen += ReadAll(terminal);  // ends with EIO once the tool has exited
  close(terminal);
  result.exit_code = ExitCodeOf(pid);
  result.out = seen;
  return result;
}

std::string VemregTest::RunOk(const std::vector<std::string>& args) {
  const RunResult result = Run(args);
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.err, "");
  return result.out;
}

std::vector<uint8_t> VemregTest::ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void VemregTest::WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}
