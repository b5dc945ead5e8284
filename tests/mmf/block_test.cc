// Blocks as every caller sees them, on every platform: contents, backing
// files, release by exact address, and refusals that leave nothing behind.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "VemMMF.h"
#include "tests/mmf/temp_folder.h"
#include "tests/mmf/test_platform.h"

namespace vem_test {
namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;

std::set<std::string> Names(const std::map<std::string, std::uintmax_t>& files) {
  std::set<std::string> names;
  for (const auto& file : files) names.insert(file.first);
  return names;
}

class BlockTest : public ::testing::Test {
 protected:
  TempFolder folder_;
};

// ---- Contents ----------------------------------------------------------

class BlockContentsTest : public BlockTest, public ::testing::WithParamInterface<std::uint64_t> {};

TEST_P(BlockContentsTest, EveryByteKeepsWhatWasWritten) {
  const std::uint64_t size = GetParam();
  auto* bytes = static_cast<unsigned char*>(VTAllocMMF(size));
  ASSERT_NE(nullptr, bytes);
  // A pattern that differs between neighbouring bytes and between pages.
  for (std::uint64_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(i * 7 + i / 4096);
  std::uint64_t mismatches = 0;
  for (std::uint64_t i = 0; i < size; ++i) mismatches += bytes[i] != static_cast<unsigned char>(i * 7 + i / 4096);
  EXPECT_EQ(0u, mismatches);
  VTFreeMMF(bytes);
}

INSTANTIATE_TEST_SUITE_P(Sizes, BlockContentsTest, ::testing::Values(1, 4096, kMiB + 3));

TEST_F(BlockTest, BlocksDoNotShareStorage) {
  auto* first = static_cast<unsigned char*>(VTAllocMMF(4096));
  auto* second = static_cast<unsigned char*>(VTAllocMMF(4096));
  ASSERT_NE(nullptr, first);
  ASSERT_NE(nullptr, second);
  first[0] = 0x11;
  second[0] = 0x22;
  EXPECT_EQ(0x11, first[0]);
  EXPECT_EQ(0x22, second[0]);
  VTFreeMMF(first);
  VTFreeMMF(second);
}

// ---- Backing files -----------------------------------------------------

TEST_F(BlockTest, EachLiveBlockHasOneFileOfItsSize) {
  void* small = VTAllocMMF(10);
  ASSERT_NE(nullptr, small);
  const auto after_first = folder_.BlockFiles();
  ASSERT_EQ(1u, after_first.size());
  EXPECT_EQ(10u, after_first.begin()->second);

  void* large = VTAllocMMF(kMiB + 3);
  ASSERT_NE(nullptr, large);
  const auto after_second = folder_.BlockFiles();
  ASSERT_EQ(2u, after_second.size());
  std::set<std::uintmax_t> sizes;
  for (const auto& file : after_second) sizes.insert(file.second);
  EXPECT_EQ((std::set<std::uintmax_t>{10, kMiB + 3}), sizes);

  VTFreeMMF(small);
  EXPECT_EQ(1u, folder_.BlockFiles().size());
  VTFreeMMF(large);
  EXPECT_EQ(0u, folder_.EntryCount());
}

TEST_F(BlockTest, SizeZeroGivesNullAndNoFile) {
  EXPECT_EQ(nullptr, VTAllocMMF(0));
  EXPECT_EQ(0u, folder_.EntryCount());
}

TEST_F(BlockTest, MissingTemporaryDirectoryGivesNullAndNoFile) {
  const std::string missing = folder_.PathOf("missing");
  SetTemporaryDirectory(missing);
  EXPECT_EQ(nullptr, VTAllocMMF(4096));
  EXPECT_EQ(0u, folder_.EntryCount());
}

TEST_F(BlockTest, TemporaryDirectoryThatIsAFileGivesNull) {
  const std::string file = folder_.PathOf("plain-file");
  std::ofstream(file) << "not a directory";
  SetTemporaryDirectory(file);
  EXPECT_EQ(nullptr, VTAllocMMF(4096));
  EXPECT_EQ(1u, folder_.EntryCount());
}

// ---- Release by exact address ------------------------------------------

TEST_F(BlockTest, FreeDeletesTheFileAndASecondFreeDoesNothing) {
  void* kept = VTAllocMMF(4096);
  ASSERT_NE(nullptr, kept);
  const auto kept_files = folder_.BlockFiles();
  void* freed = VTAllocMMF(4096);
  ASSERT_NE(nullptr, freed);
  ASSERT_EQ(2u, folder_.BlockFiles().size());

  VTFreeMMF(freed);
  EXPECT_EQ(kept_files, folder_.BlockFiles());
  VTFreeMMF(freed);
  EXPECT_EQ(kept_files, folder_.BlockFiles());
  static_cast<unsigned char*>(kept)[4095] = 3;  // the other block is untouched

  VTFreeMMF(kept);
  EXPECT_EQ(0u, folder_.EntryCount());
}

TEST_F(BlockTest, UnregisteredAddressesAreIgnoredAndTheBlockStaysUsable) {
  auto* bytes = static_cast<unsigned char*>(VTAllocMMF(8192));
  ASSERT_NE(nullptr, bytes);
  bytes[0] = 0x5A;
  bytes[8191] = 0xA5;
  const auto files = folder_.BlockFiles();

  VTFreeMMF(nullptr);
  VTFreeMMF(bytes + 1);
  VTFreeMMF(bytes + 4096);
  int local = 0;
  VTFreeMMF(&local);

  EXPECT_EQ(files, folder_.BlockFiles());
  EXPECT_EQ(0x5A, bytes[0]);
  EXPECT_EQ(0xA5, bytes[8191]);
  bytes[4096] = 1;  // still mapped and writable
  VTFreeMMF(bytes);
  EXPECT_EQ(0u, folder_.EntryCount());
}

TEST_F(BlockTest, BlocksFreedInAnyOrderDeleteOnlyTheirOwnFiles) {
  const std::vector<std::vector<int>> orders = {{0, 1, 2}, {2, 1, 0}, {1, 0, 2}, {1, 2, 0}};
  for (const auto& order : orders) {
    std::vector<void*> blocks;
    std::vector<std::string> files;
    for (int i = 0; i < 3; ++i) {
      const auto before = Names(folder_.BlockFiles());
      blocks.push_back(VTAllocMMF(4096 * (i + 1)));
      ASSERT_NE(nullptr, blocks.back());
      std::string added;
      for (const auto& name : Names(folder_.BlockFiles())) {
        if (before.count(name) == 0) added = name;
      }
      ASSERT_FALSE(added.empty());
      files.push_back(added);
    }
    std::set<std::string> expected(files.begin(), files.end());
    for (int index : order) {
      static_cast<unsigned char*>(blocks[index])[0] = 1;
      VTFreeMMF(blocks[index]);
      expected.erase(files[index]);
      EXPECT_EQ(expected, Names(folder_.BlockFiles()));
      for (int other : order) {
        if (expected.count(files[other]) != 0) static_cast<unsigned char*>(blocks[other])[0] = 2;
      }
    }
  }
}

}  // namespace
}  // namespace vem_test
