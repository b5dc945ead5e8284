// Blocks as a program that loads the library sees them: contents, backing
// files numbered from 1 at each load, release by exact address, refusals
// that leave nothing behind, and release of every live block at unload.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <random>
#include <string>

#include "tests/mmf/test_platform.h"
#include "tests/support/temp_folder.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#endif

namespace vem_test {
namespace {

class BlockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetTemporaryDirectory(folder_.path());
    ASSERT_TRUE(library_.alloc != nullptr && library_.free != nullptr);
  }
  void TearDown() override { SetTemporaryDirectory(TempFolder::SystemTemporaryDirectory()); }
  std::map<std::string, std::uintmax_t> Blocks() const { return folder_.Files("~mf"); }
  TempFolder folder_;
  LoadedLibrary library_;
};

// Seeded allocations and releases, by exact and by wrong addresses: after
// every step the folder holds one file per live block, named by its number
// and of its size, and every live block keeps its first, middle and last byte.
TEST_F(BlockTest, FilesAndContentsFollowTheLiveBlocks) {
  const std::uint64_t sizes[] = {1, 10, 4096, 4097, 65539, 1048579};
  struct Live {
    std::string file;
    std::uint64_t last;
    unsigned char mark;
  };
  std::map<unsigned char*, Live> live;
  std::map<std::string, std::uintmax_t> files;
  std::mt19937 random(18);
  for (std::uint64_t step = 1, number = 1; step < 200; ++step) {
    auto chosen = live.begin();
    std::advance(chosen, live.empty() ? 0 : random() % live.size());
    if (live.empty() || random() % 5 < 3) {
      const std::uint64_t size = sizes[random() % 6];
      auto* b = static_cast<unsigned char*>(library_.alloc(size));
      ASSERT_NE(b, nullptr);
      const Live block{BlockFileName(number++), size - 1, static_cast<unsigned char>(step)};
      b[0] = b[block.last / 2] = b[block.last] = block.mark;
      files[block.file] = size;
      live[b] = block;
    } else if (random() % 3 == 0) {  // inside a block, or nowhere: ignored
      library_.free(random() % 2 ? nullptr : chosen->first + 1 + random() % (chosen->second.last + 1));
    } else {
      library_.free(chosen->first);
      files.erase(chosen->second.file);
      live.erase(chosen);
    }
    ASSERT_EQ(Blocks(), files) << "step " << step;
    for (const auto& block : live) {
      const unsigned char* b = block.first;
      const Live& l = block.second;
      ASSERT_TRUE(b[0] == l.mark && b[l.last / 2] == l.mark && b[l.last] == l.mark) << "step " << step;
    }
  }
  ASSERT_FALSE(live.empty());
  EXPECT_TRUE(library_.Unload());
  EXPECT_EQ(folder_.EntryCount(), 0u);
}

// Each refusal gives NULL and leaves no file; the next block's number shows
// whether the refusal had used one up.
TEST_F(BlockTest, RefusalsLeaveNothingBehind) {
  std::ofstream(folder_.PathOf("plain-file")) << "not a directory";
  std::uint64_t number = 1;
  for (const char* directory : {"missing", "plain-file"}) {
    SetTemporaryDirectory(folder_.PathOf(directory));
    EXPECT_EQ(library_.alloc(4096), nullptr) << directory;
    ++number;
  }
  SetTemporaryDirectory(folder_.path());
  for (const Unmappable& refusal : kUnmappable) {
    EXPECT_EQ(library_.alloc(refusal.size), nullptr) << refusal.size;
    number += refusal.uses_number;
  }
  EXPECT_EQ(folder_.EntryCount(), 1u);
  void* block = library_.alloc(100);
  EXPECT_EQ(Blocks(), (std::map<std::string, std::uintmax_t>{{BlockFileName(number), 100}}));
  library_.free(block);
}

#if !defined(_WIN32)
// Runs child in a forked process that ends with exit(), which runs the
// library's clean-up as any ending program does; returns its exit code.
int RunInChild(const std::function<bool()>& child) {
  const pid_t pid = fork();
  if (pid == 0) std::exit(child() ? 0 : 1);
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// What lies at the next block's name decides whether it is used: a left-over
// regular file of this user is emptied and used; a link, a file with a second
// name, one locked by a live holder or another user's is left as it was.
TEST_F(BlockTest, LeftOverFileIsReusedOnlyWhenItIsOursAlone) {
  const std::string other = folder_.PathOf("other");
  std::ofstream(other) << "kept";
  int holder = -1;
  const std::function<void(const char*)> makers[] = {
      [](const char* at) { std::ofstream(at) << std::string(10000, 'x'); },
      [&](const char* at) { ASSERT_EQ(symlink(other.c_str(), at), 0); },
      [&](const char* at) { ASSERT_EQ(link(other.c_str(), at), 0); },
      [&](const char* at) {
        std::ofstream(at) << "kept";
        holder = open(at, O_RDONLY | O_CLOEXEC);
        ASSERT_EQ(flock(holder, LOCK_EX), 0);
      },
      [](const char* at) {  // only root can give a file away; for anyone else it stays their own
        std::ofstream(at) << "kept";
        ASSERT_TRUE(geteuid() != 0 || chown(at, 65534, 65534) == 0);
      }};
  for (std::uint64_t n = 1; n <= 5; ++n) {
    const std::string name = BlockFileName(n), at = folder_.PathOf(name);
    makers[n - 1](at.c_str());
    auto* block = static_cast<const char*>(library_.alloc(100));
    const bool used = n == 1 || (n == 5 && geteuid() != 0);
    EXPECT_EQ(block != nullptr, used) << n;
    std::string text;
    // Used: emptied and of the block's size; refused: still what it was.
    EXPECT_TRUE(used ? block != nullptr && block[0] != 'x' && Blocks().at(name) == 100
                     : static_cast<bool>(std::ifstream(at) >> text) && text == "kept")
        << n;
    library_.free(const_cast<char*>(block));
    if (holder >= 0) close(holder);
    holder = -1;
  }
  std::string text;
  EXPECT_TRUE(std::ifstream(other) >> text && text == "kept");
}

// A process that exits deletes its blocks' files, also one whose file got
// descriptor 0; a forked child leaves its parent's blocks alone.
TEST_F(BlockTest, ExitingProcessesDeleteOnlyTheirOwnFiles) {
  EXPECT_EQ(RunInChild([this] { return close(0) == 0 && library_.alloc(4096) != nullptr; }), 0);
  EXPECT_EQ(folder_.EntryCount(), 0u);
  auto* kept = static_cast<unsigned char*>(library_.alloc(4096));
  void* freed_by_child = library_.alloc(4096);
  const auto files = Blocks();
  EXPECT_EQ(RunInChild([&] {
              kept[10] = 0x77;
              library_.free(freed_by_child);
              return true;
            }),
            0);
  EXPECT_EQ(Blocks(), files);
  EXPECT_EQ(kept[10], 0x77);
}
#endif

}  // namespace
}  // namespace vem_test
