// Blocks as every caller sees them, on every platform: contents, backing
// files, release by exact address, and refusals that leave nothing behind.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <random>
#include <string>

#include "VemMMF.h"
#include "tests/mmf/test_platform.h"

namespace vem_test {
namespace {

class BlockTest : public ::testing::Test {
 protected:
  BlockFolder folder_;
};

// Seeded allocations and releases, by exact and by wrong addresses, against
// the live blocks the test keeps: after every step the folder holds one file
// per live block, of its size, and every live block keeps what was written
// at its first, middle and last byte.
TEST_F(BlockTest, FilesAndContentsFollowTheLiveBlocks) {
  const std::uint64_t sizes[] = {1, 10, 4096, 4097, 65539, 1048579};
  struct Live {
    std::string file;
    std::uint64_t size;
    unsigned char mark;
  };
  std::map<unsigned char*, Live> live;
  std::map<std::string, std::uintmax_t> files;
  std::mt19937 random(18);
  for (int step = 0; step < 200; ++step) {
    auto chosen = live.begin();
    std::advance(chosen, live.empty() ? 0 : random() % live.size());
    if (live.empty() || random() % 5 < 3) {
      const std::uint64_t size = sizes[random() % 6];
      auto* bytes = static_cast<unsigned char*>(VTAllocMMF(size));
      ASSERT_NE(bytes, nullptr);
      const auto now = folder_.Blocks();
      ASSERT_EQ(now.size(), files.size() + 1);
      std::string added;
      for (const auto& file : now) added = files.count(file.first) ? added : file.first;
      live[bytes] = Live{added, size, static_cast<unsigned char>(step)};
      files[added] = size;
      bytes[0] = bytes[size / 2] = bytes[size - 1] = static_cast<unsigned char>(step);
    } else if (random() % 3 == 0) {  // inside a block, or nowhere: ignored
      VTFreeMMF(random() % 2 ? nullptr : chosen->first + 1 + random() % chosen->second.size);
    } else {
      VTFreeMMF(chosen->first);
      files.erase(chosen->second.file);
      live.erase(chosen);
    }
    ASSERT_EQ(folder_.Blocks(), files) << "step " << step;
    for (const auto& block : live) {
      const unsigned char* bytes = block.first;
      const std::uint64_t size = block.second.size, mark = block.second.mark;
      ASSERT_TRUE(bytes[0] == mark && bytes[size / 2] == mark && bytes[size - 1] == mark) << "step " << step;
    }
  }
  for (const auto& block : live) VTFreeMMF(block.first);
  EXPECT_EQ(folder_.EntryCount(), 0u);
}

TEST_F(BlockTest, RefusalsGiveNullAndLeaveNothing) {
  const std::uint64_t unmappable[] = {
    0,
#if defined(_WIN32)
    std::uint64_t{1} << 32,
    (std::uint64_t{1} << 32) + 4096
  };
#else
    UINT64_MAX,
    UINT64_MAX / 2 + 1
  };
#endif
  for (std::uint64_t size : unmappable) EXPECT_EQ(VTAllocMMF(size), nullptr) << size;
  EXPECT_EQ(folder_.EntryCount(), 0u);
  std::ofstream(folder_.PathOf("plain-file")) << "not a directory";
  for (const char* directory : {"missing", "plain-file"}) {
    SetTemporaryDirectory(folder_.PathOf(directory));
    EXPECT_EQ(VTAllocMMF(4096), nullptr) << directory;
  }
  EXPECT_EQ(folder_.EntryCount(), 1u);
}

}  // namespace
}  // namespace vem_test
