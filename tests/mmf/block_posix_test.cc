// Linux specifics of blocks: what may already lie at a block's file name,
// and processes that fork or exit with live blocks.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "VemMMF.h"
#include "tests/mmf/test_platform.h"

namespace vem_test {
namespace {

std::string ReadFile(const std::string& path) {
  std::stringstream text;
  text << std::ifstream(path).rdbuf();
  return text.str();
}

// Runs child in a forked process that leaves with exit(), which runs the
// library's clean-up as any ending program does; returns its exit code.
int RunInChild(const std::function<int()>& child) {
  const pid_t pid = fork();
  if (pid == 0) std::exit(child());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class PosixBlockTest : public ::testing::Test {
 protected:
  // The path the next block's file gets: the name of a block made and freed
  // now, numbered one further.
  std::string NextPath() {
    const auto before = folder_.Blocks();
    void* probe = VTAllocMMF(1);
    std::string name;
    for (const auto& file : folder_.Blocks()) name = before.count(file.first) ? name : file.first;
    VTFreeMMF(probe);
    const std::string number = name.substr(name.find('-') + 1);
    return folder_.PathOf(BlockFileName(folder_.path(), std::stoull(number, nullptr, 16) + 1));
  }
  BlockFolder folder_;
};

// A left-over regular file of this user is emptied and used; a link, a file
// with a second name, one locked by a live holder or one of another user is
// refused and left as it was.
TEST_F(PosixBlockTest, WhatLiesAtTheNameDecidesWhetherItIsUsed) {
  const std::string other = folder_.PathOf("other");
  int holder = -1;
  const struct {
    const char* what;
    std::function<void(const std::string&)> make;
    bool used;
  } rows[] = {
      {"left-over", [](const std::string& at) { std::ofstream(at) << std::string(10000, 'x'); }, true},
      {"symbolic link", [&](const std::string& at) { ASSERT_EQ(symlink(other.c_str(), at.c_str()), 0); }, false},
      {"second name", [&](const std::string& at) { ASSERT_EQ(link(other.c_str(), at.c_str()), 0); }, false},
      {"locked",
       [&](const std::string& at) {
         std::ofstream(at) << "kept";
         holder = open(at.c_str(), O_RDONLY | O_CLOEXEC);
         ASSERT_EQ(flock(holder, LOCK_EX), 0);
       },
       false},
      // Only root can give a file away; for anyone else the file is their own.
      {"another user's",
       [](const std::string& at) {
         std::ofstream(at) << "kept";
         ASSERT_TRUE(geteuid() != 0 || chown(at.c_str(), 65534, 65534) == 0);
       },
       geteuid() != 0}};
  for (const auto& row : rows) {
    std::ofstream(other) << "kept";
    const std::string at = NextPath();
    row.make(at);
    void* block = VTAllocMMF(100);
    EXPECT_EQ(block != nullptr, row.used) << row.what;
    EXPECT_EQ(ReadFile(other), "kept") << row.what;
    if (block != nullptr) {
      EXPECT_EQ(folder_.Blocks().at(at.substr(at.rfind('/') + 1)), 100u) << row.what;
      EXPECT_NE(static_cast<const char*>(block)[0], 'x') << "the left-over shows through";
    } else {
      EXPECT_EQ(ReadFile(at), "kept") << row.what;
    }
    VTFreeMMF(block);
    if (holder >= 0) close(holder);
    holder = -1;
  }
}

TEST_F(PosixBlockTest, ProcessesLeaveNoFileAndChildrenLeaveTheirParentsBlocks) {
  EXPECT_EQ(RunInChild([] { return VTAllocMMF(4096) != nullptr && VTAllocMMF(12289) != nullptr ? 0 : 2; }), 0);
  EXPECT_EQ(folder_.EntryCount(), 0u);
  auto* kept = static_cast<unsigned char*>(VTAllocMMF(4096));
  auto* freedByChild = static_cast<unsigned char*>(VTAllocMMF(4096));
  const auto files = folder_.Blocks();
  EXPECT_EQ(RunInChild([&] {
              kept[10] = 0x77;
              VTFreeMMF(freedByChild);
              return 0;
            }),
            0);
  EXPECT_EQ(folder_.Blocks(), files);
  EXPECT_EQ(kept[10], 0x77);
  freedByChild[0] = 1;  // still mapped here
  VTFreeMMF(kept);
  VTFreeMMF(freedByChild);
  EXPECT_EQ(folder_.EntryCount(), 0u);
}

}  // namespace
}  // namespace vem_test
