// Blocks as a caller sees them: contents, backing files numbered from 1 in
// each process, left-over files emptied and used, release by exact address,
// refusals that leave nothing behind, and release of every live block when
// the process ends.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

#include "VemMMF.h"
#include "tests/support/temp_folder.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace vem_test {
namespace {

// Where new blocks go, the file name (without directory) of this process's
// block numbered n, the sizes refused with NULL and no file left, and
// whether such a refusal comes after the file was named, so that the next
// block gets the next number.
#if defined(_WIN32)
void SetTemporaryDirectory(const std::string& directory) { SetEnvironmentVariableA("TMP", directory.c_str()); }
// With a number other than 0 the system only forms the name.
std::string BlockFileName(std::uint64_t n) {
  wchar_t path[MAX_PATH + 1];
  GetTempFileNameW(L".", L"~mf", static_cast<UINT>(n), path);
  return std::filesystem::path(path).filename().string();
}
// The mapping takes the low 32 bits of the size and the view all of it; both
// fail after the file was named and made.
const std::uint64_t kUnmappable[3] = {0, std::uint64_t{1} << 32, (std::uint64_t{1} << 32) + 4096};
const bool kRefusalUsesNumber = true;
#else
void SetTemporaryDirectory(const std::string& directory) { setenv("TMPDIR", directory.c_str(), 1); }
std::string BlockFileName(std::uint64_t n) {
  char name[64];
  std::snprintf(name, sizeof name, "~mf%d-%" PRIx64 ".tmp", static_cast<int>(getpid()), n);
  return name;
}
// Beyond the largest file length and view length: refused before any name is formed.
const std::uint64_t kUnmappable[3] = {0, UINT64_MAX, UINT64_MAX / 2 + 1};
const bool kRefusalUsesNumber = false;
#endif

class BlockTest : public ::testing::Test {
 protected:
  void SetUp() override { SetTemporaryDirectory(folder_.path()); }
  void TearDown() override { SetTemporaryDirectory(TempFolder::SystemTemporaryDirectory()); }
  std::map<std::string, std::uintmax_t> Blocks() const { return folder_.Files("~mf"); }
  TempFolder folder_;
};

// Seeded allocations (some over a left-over file of their name), refusals and
// releases, by exact and by wrong addresses: after every step the folder
// holds one file per live block, named by its number and of its size, and
// every live block keeps its first, middle and last byte. A refusal gives
// NULL and leaves no file; the next block's number shows whether it had used
// one up. It comes first, so that the process's first block is its first.
TEST_F(BlockTest, FilesAndContentsFollowTheLiveBlocks) {
  const std::uint64_t sizes[] = {1, 10, 4096, 4097, 65539, 1048579};
  std::map<unsigned char*, std::pair<std::uint64_t, std::uint64_t>> live;  // number and last index
  std::map<std::string, std::uintmax_t> files;
  std::mt19937 random(18);
  for (std::uint64_t step = 1, number = 1; step < 240; ++step) {
    auto chosen = live.begin();
    std::advance(chosen, live.empty() ? 0 : random() % live.size());
    const unsigned pick = live.empty() ? 0 : random() % 10;
    if (pick < 5) {
      const std::uint64_t size = sizes[random() % 6];
      const bool left_over = random() % 4 == 0;
      if (left_over) std::ofstream(folder_.PathOf(BlockFileName(number))) << std::string(5000, 'x');
      auto* b = static_cast<unsigned char*>(VTAllocMMF(size));
      ASSERT_TRUE(b != nullptr && (!left_over || b[0] == 0)) << "step " << step;
      b[0] = b[(size - 1) / 2] = b[size - 1] = static_cast<unsigned char>(number);
      live[b] = {number, size - 1};
      files[BlockFileName(number++)] = size;
    } else if (pick == 5) {  // a size the system cannot map, or a directory that is missing or a block's file
      const bool directory = random() % 2 == 0;
      if (directory)
        SetTemporaryDirectory(folder_.PathOf(random() % 2 ? "missing" : BlockFileName(chosen->second.first)));
      ASSERT_EQ(VTAllocMMF(directory ? 4096 : kUnmappable[random() % 3]), nullptr) << "step " << step;
      number += directory || kRefusalUsesNumber;
      SetTemporaryDirectory(folder_.path());
    } else if (pick == 6) {  // inside a block, or nowhere: ignored
      VTFreeMMF(random() % 2 ? nullptr : chosen->first + 1 + random() % (chosen->second.second + 1));
    } else {
      VTFreeMMF(chosen->first);
      files.erase(BlockFileName(chosen->second.first));
      live.erase(chosen);
    }
    ASSERT_EQ(Blocks(), files) << "step " << step;
    for (const auto& [b, block] : live) {
      const auto mark = static_cast<unsigned char>(block.first);
      ASSERT_TRUE(b[0] == mark && b[block.second / 2] == mark && b[block.second] == mark) << "step " << step;
    }
  }
  for (const auto& block : live) VTFreeMMF(block.first);
  EXPECT_TRUE(std::filesystem::is_empty(folder_.path()));
}

#if !defined(_WIN32)
// A link at a block's name is refused and left as it was. A process that
// exits deletes its blocks' files, also one whose file got descriptor 0; a
// forked child leaves its parent's blocks alone.
TEST_F(BlockTest, OnlyTheCreatorUsesAndDeletesAFile) {
  const std::string other = folder_.PathOf("other");
  std::ofstream(other) << "kept";
  auto* kept = static_cast<unsigned char*>(VTAllocMMF(4096));
  const std::string name = Blocks().begin()->first;  // the only block: its number follows its last '-'
  std::uint64_t number = std::stoull(name.substr(name.rfind('-') + 1), nullptr, 16);
  for (auto make_link : {symlink, link}) {
    ASSERT_EQ(make_link(other.c_str(), folder_.PathOf(BlockFileName(++number)).c_str()), 0);
    std::string text;
    EXPECT_TRUE(VTAllocMMF(100) == nullptr && std::ifstream(other) >> text && text == "kept");
  }
  for (int child = 0; child < 2; ++child) {
    const auto files = Blocks();
    const pid_t pid = fork();
    // exit() runs the library's clean-up as any ending program does.
    if (pid == 0 && child == 0) std::exit(close(0) != 0 || VTAllocMMF(4096) == nullptr);
    if (pid == 0) {
      kept[10] = 0x77;
      VTFreeMMF(kept);
      std::exit(0);
    }
    int status = 1;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0 && Blocks() == files) << child;
  }
  EXPECT_EQ(kept[10], 0x77);  // the child wrote into the shared mapping
}
#endif

}  // namespace
}  // namespace vem_test
