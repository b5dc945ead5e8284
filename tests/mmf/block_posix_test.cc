// Linux specifics of blocks: file names, leftover files, processes that fork
// or exit with live blocks, and blocks beyond 4 GiB.
#include <fcntl.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "VemMMF.h"
#include "tests/mmf/temp_folder.h"
#include "tests/mmf/test_platform.h"

namespace vem_test {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The number in the name of the one block file of `folder`, or 0.
std::uint64_t OnlyBlockNumber(const TempFolder& folder) {
  const auto files = folder.BlockFiles();
  if (files.size() != 1) return 0;
  const std::string& name = files.begin()->first;
  const std::size_t dash = name.find('-');
  return dash == std::string::npos ? 0 : std::strtoull(name.c_str() + dash + 1, nullptr, 16);
}

class PosixBlockTest : public ::testing::Test {
 protected:
  // The number the next allocation will use: one past that of a block made
  // and freed just now.
  std::uint64_t NextNumber() {
    void* probe = VTAllocMMF(1);
    EXPECT_NE(nullptr, probe);
    const std::uint64_t number = OnlyBlockNumber(folder_);
    VTFreeMMF(probe);
    EXPECT_NE(0u, number);
    return number + 1;
  }

  std::string NextPath() { return folder_.PathOf(BlockFileName(folder_.path(), NextNumber())); }

  TempFolder folder_;
};

// ---- Names and directory -----------------------------------------------

TEST_F(PosixBlockTest, NamesCarryTheProcessIdAndConsecutiveHexNumbers) {
  const std::uint64_t next = NextNumber();
  void* first = VTAllocMMF(1);
  void* second = VTAllocMMF(1);
  ASSERT_NE(nullptr, first);
  ASSERT_NE(nullptr, second);
  const auto files = folder_.BlockFiles();
  EXPECT_EQ(1u, files.count(BlockFileName(folder_.path(), next)));
  EXPECT_EQ(1u, files.count(BlockFileName(folder_.path(), next + 1)));
  VTFreeMMF(first);
  VTFreeMMF(second);
}

TEST_F(PosixBlockTest, RelativeTmpdirFallsBackToTmp) {
  setenv("TMPDIR", "relative/dir", 1);
  void* block = VTAllocMMF(4096);
  ASSERT_NE(nullptr, block);
  const std::string expected_prefix = "~mf" + std::to_string(getpid()) + "-";
  bool found = false;
  for (const auto& file : TempFolder::ListBlockFiles("/tmp")) found |= file.rfind(expected_prefix, 0) == 0;
  VTFreeMMF(block);
  EXPECT_TRUE(found);
  for (const auto& file : TempFolder::ListBlockFiles("/tmp")) EXPECT_NE(0u, file.rfind(expected_prefix, 0)) << file;
}

TEST_F(PosixBlockTest, UnwritableTmpdirGivesNullAndNoFile) {
  const std::string locked = folder_.PathOf("locked");
  ASSERT_EQ(0, mkdir(locked.c_str(), 0700));
  // Reachable by anyone, writable by no one.
  ASSERT_EQ(0, chmod(folder_.path().c_str(), 0755));
  ASSERT_EQ(0, chmod(locked.c_str(), 0555));
  // Permissions do not bind the superuser, so the allocation then runs in a
  // child process as nobody.
  const pid_t pid = fork();
  ASSERT_NE(-1, pid);
  if (pid == 0) {
    if (geteuid() == 0) {
      const passwd* nobody = getpwnam("nobody");
      if (nobody == nullptr || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0) {
        _exit(10);
      }
    }
    setenv("TMPDIR", locked.c_str(), 1);
    _exit(VTAllocMMF(4096) == nullptr ? 0 : 11);
  }
  int status = 0;
  ASSERT_EQ(pid, waitpid(pid, &status, 0));
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(0, WEXITSTATUS(status));
  EXPECT_TRUE(TempFolder::ListBlockFiles(locked).empty());
}

TEST_F(PosixBlockTest, SizesBeyondTheAddressSpaceGiveNullAndNoFile) {
  EXPECT_EQ(nullptr, VTAllocMMF(UINT64_MAX));
  EXPECT_EQ(nullptr, VTAllocMMF(UINT64_MAX / 2 + 1));
  EXPECT_EQ(0u, folder_.EntryCount());
}

TEST_F(PosixBlockTest, BlockBeyondFourGibibytesIsUsableAtBothEnds) {
  const std::uint64_t size = (std::uint64_t{1} << 32) + 4096 + 5;
  struct statvfs space;
  ASSERT_EQ(0, statvfs(folder_.path().c_str(), &space));
  if (std::uint64_t{space.f_bavail} * space.f_frsize < size + (std::uint64_t{1} << 30)) {
    GTEST_SKIP() << "not enough free space for the file";
  }
  auto* bytes = static_cast<unsigned char*>(VTAllocMMF(size));
  ASSERT_NE(nullptr, bytes);
  bytes[0] = 0xC3;
  bytes[size - 1] = 0x3C;
  EXPECT_EQ(0xC3, bytes[0]);
  EXPECT_EQ(0x3C, bytes[size - 1]);
  EXPECT_EQ(size, folder_.BlockFiles().begin()->second);
  VTFreeMMF(bytes);
  EXPECT_EQ(0u, folder_.EntryCount());
}

// ---- Files already at the block's name ---------------------------------

TEST_F(PosixBlockTest, LeftoverFileOfThisUserIsTruncatedAndUsed) {
  const std::string path = NextPath();
  std::ofstream(path) << std::string(10000, 'x');
  auto* bytes = static_cast<unsigned char*>(VTAllocMMF(100));
  ASSERT_NE(nullptr, bytes);
  const auto files = folder_.BlockFiles();
  ASSERT_EQ(1u, files.size());
  EXPECT_EQ(100u, files.begin()->second);  // truncated, then sized to the block
  std::memset(bytes, 'b', 100);
  VTFreeMMF(bytes);
  EXPECT_EQ(0u, folder_.EntryCount());
}

TEST_F(PosixBlockTest, SymbolicLinkAtTheNameIsRefusedAndLeftAlone) {
  const std::string target = folder_.PathOf("target");
  std::ofstream(target) << "precious";
  const std::string link = NextPath();
  ASSERT_EQ(0, symlink(target.c_str(), link.c_str()));

  EXPECT_EQ(nullptr, VTAllocMMF(4096));
  EXPECT_EQ("precious", ReadFile(target));
  struct stat status;
  ASSERT_EQ(0, lstat(link.c_str(), &status));
  EXPECT_TRUE(S_ISLNK(status.st_mode));
  EXPECT_TRUE(folder_.BlockFiles().empty());  // the link is no regular file

  void* next = VTAllocMMF(4096);  // the following number is free again
  EXPECT_NE(nullptr, next);
  VTFreeMMF(next);
}

TEST_F(PosixBlockTest, LeftoverWithASecondNameIsRefused) {
  const std::string other = folder_.PathOf("other-name");
  std::ofstream(other) << "shared";
  const std::string path = NextPath();
  ASSERT_EQ(0, link(other.c_str(), path.c_str()));
  EXPECT_EQ(nullptr, VTAllocMMF(4096));
  EXPECT_EQ("shared", ReadFile(other));
  EXPECT_EQ("shared", ReadFile(path));
}

TEST_F(PosixBlockTest, LeftoverOfAnotherUserIsRefused) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
  const std::string path = NextPath();
  std::ofstream(path) << "theirs";
  ASSERT_EQ(0, chown(path.c_str(), 65534, 65534));
  EXPECT_EQ(nullptr, VTAllocMMF(4096));
  EXPECT_EQ("theirs", ReadFile(path));
}

TEST_F(PosixBlockTest, FileLockedByALiveHolderIsRefusedAndUntouched) {
  const std::string path = NextPath();
  std::ofstream(path) << "held";
  const int holder = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_LE(0, holder);
  ASSERT_EQ(0, flock(holder, LOCK_EX));
  EXPECT_EQ(nullptr, VTAllocMMF(4096));
  EXPECT_EQ("held", ReadFile(path));
  close(holder);
}

TEST_F(PosixBlockTest, LiveBlockHoldsTheLockOnItsFile) {
  void* block = VTAllocMMF(4096);
  ASSERT_NE(nullptr, block);
  const std::string path = folder_.PathOf(folder_.BlockFiles().begin()->first);
  const int other = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_LE(0, other);
  EXPECT_NE(0, flock(other, LOCK_EX | LOCK_NB));
  close(other);
  VTFreeMMF(block);
}

// ---- Processes ---------------------------------------------------------

// Runs `child` in a forked process that then leaves with exit(), which runs
// the library's clean-up as any ending program does. Returns its exit code.
template <typename Child>
int RunInChild(Child child) {
  const pid_t pid = fork();
  if (pid == 0) std::exit(child());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(PosixBlockTest, ProcessExitWithLiveBlocksLeavesNoFile) {
  const int code = RunInChild([this] {
    if (VTAllocMMF(4096) == nullptr || VTAllocMMF(3 * 4096 + 1) == nullptr) return 2;
    return folder_.BlockFiles().size() == 2 ? 0 : 3;
  });
  EXPECT_EQ(0, code);
  EXPECT_EQ(0u, folder_.EntryCount());
}

TEST_F(PosixBlockTest, ForkedChildLeavesItsParentsBlocksAlone) {
  auto* bytes = static_cast<unsigned char*>(VTAllocMMF(4096));
  ASSERT_NE(nullptr, bytes);
  auto* freed_by_child = static_cast<unsigned char*>(VTAllocMMF(4096));
  ASSERT_NE(nullptr, freed_by_child);
  const auto files = folder_.BlockFiles();

  // The child writes through the shared mapping, frees one inherited block
  // itself and leaves the other to its exit.
  const int code = RunInChild([&] {
    bytes[10] = 0x77;
    VTFreeMMF(freed_by_child);
    return 0;
  });
  EXPECT_EQ(0, code);
  EXPECT_EQ(files, folder_.BlockFiles());
  EXPECT_EQ(0x77, bytes[10]);
  freed_by_child[0] = 1;  // still mapped here

  VTFreeMMF(bytes);
  VTFreeMMF(freed_by_child);
  EXPECT_EQ(0u, folder_.EntryCount());
}

}  // namespace
}  // namespace vem_test
