// The library loaded and unloaded at run time: unloading it releases every
// block still live and deletes its file, and each load numbers its files
// afresh from 1. This program is not linked with the library.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <map>
#include <string>

#include "tests/mmf/test_platform.h"

namespace vem_test {
namespace {

class UnloadTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(library_.loaded()); }
  // The block files expected for these numbers, each of this size.
  std::map<std::string, std::uintmax_t> Numbered(std::initializer_list<std::uint64_t> numbers, std::uintmax_t size) {
    std::map<std::string, std::uintmax_t> files;
    for (std::uint64_t n : numbers) files[BlockFileName(folder_.path(), n)] = size;
    return files;
  }
  BlockFolder folder_;
  LoadedLibrary library_;
};

TEST_F(UnloadTest, UnloadDeletesLiveBlocksAndEachLoadNumbersFromOne) {
  auto* first = static_cast<unsigned char*>(library_.alloc(4096));
  void* freed = library_.alloc(10);
  auto* second = static_cast<unsigned char*>(library_.alloc(4096));
  ASSERT_TRUE(first != nullptr && freed != nullptr && second != nullptr);
  first[0] = second[4095] = 1;
  library_.free(freed);
  EXPECT_EQ(folder_.Blocks(), Numbered({1, 3}, 4096));
  EXPECT_TRUE(library_.Unload());
  EXPECT_EQ(folder_.EntryCount(), 0u);

  LoadedLibrary again;
  ASSERT_TRUE(again.loaded());
  // A failure once the name is formed uses up its number: a missing
  // directory, and on Windows the unmappable sizes.
  SetTemporaryDirectory(folder_.PathOf("missing"));
  EXPECT_EQ(again.alloc(4096), nullptr);
  SetTemporaryDirectory(folder_.path());
#if defined(_WIN32)
  EXPECT_EQ(again.alloc(0), nullptr);
  EXPECT_EQ(again.alloc(std::uint64_t{1} << 32), nullptr);
  const std::uint64_t next = 4;
#else
  const std::uint64_t next = 2;
#endif
  void* block = again.alloc(100);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(folder_.Blocks(), Numbered({next}, 100));
  again.free(block);
}

#if defined(_WIN32)
// Names repeat across processes (each counts from 1): a left-over file that
// nobody holds open is emptied and used, one held open elsewhere makes the
// allocation fail and is left as it was.
TEST_F(UnloadTest, FileAtTheNameIsReusedUnlessHeldOpen) {
  std::ofstream(folder_.PathOf(BlockFileName(folder_.path(), 1))) << std::string(10000, 'x');
  void* reused = library_.alloc(100);
  ASSERT_NE(reused, nullptr);
  EXPECT_EQ(folder_.Blocks(), Numbered({1}, 100));
  const std::string held = folder_.PathOf(BlockFileName(folder_.path(), 2));
  std::ofstream(held) << "held";
  {
    std::ifstream holder(held);
    EXPECT_EQ(library_.alloc(4096), nullptr);
  }
  std::string text;
  std::ifstream(held) >> text;
  EXPECT_EQ(text, "held");
  library_.free(reused);
}
#endif

}  // namespace
}  // namespace vem_test
