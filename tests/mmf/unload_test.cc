// The library loaded and unloaded at run time: unloading it releases every
// block still live and deletes its file, and each load numbers its files
// afresh from 1. This program is not linked with the library.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "tests/mmf/temp_folder.h"
#include "tests/mmf/test_platform.h"

namespace vem_test {
namespace {

class UnloadTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(library_.loaded()); }

  TempFolder folder_;
  LoadedLibrary library_;
};

TEST_F(UnloadTest, UnloadingDeletesTheFilesOfLiveBlocks) {
  auto* first = static_cast<unsigned char*>(library_.alloc(4096));
  auto* second = static_cast<unsigned char*>(library_.alloc(100000));
  auto* freed = static_cast<unsigned char*>(library_.alloc(10));
  ASSERT_NE(nullptr, first);
  ASSERT_NE(nullptr, second);
  ASSERT_NE(nullptr, freed);
  first[0] = second[99999] = 1;
  library_.free(freed);
  ASSERT_EQ(2u, folder_.BlockFiles().size());

  EXPECT_TRUE(library_.Unload());
  EXPECT_EQ(0u, folder_.EntryCount());
}

TEST_F(UnloadTest, EachLoadNumbersFilesFromOne) {
  void* first = library_.alloc(1);
  ASSERT_NE(nullptr, first);
  void* second = library_.alloc(1);
  ASSERT_NE(nullptr, second);
  EXPECT_EQ((std::set<std::string>{BlockFileName(folder_.path(), 1), BlockFileName(folder_.path(), 2)}),
            TempFolder::ListBlockFiles(folder_.path()));
  ASSERT_TRUE(library_.Unload());

  LoadedLibrary again;
  ASSERT_TRUE(again.loaded());
  void* block = again.alloc(1);
  ASSERT_NE(nullptr, block);
  EXPECT_EQ(std::set<std::string>{BlockFileName(folder_.path(), 1)}, TempFolder::ListBlockFiles(folder_.path()));
  again.free(block);
}

TEST_F(UnloadTest, FailureOnceTheNameIsFormedUsesUpItsNumber) {
  SetTemporaryDirectory(folder_.PathOf("missing"));
  EXPECT_EQ(nullptr, library_.alloc(4096));
  SetTemporaryDirectory(folder_.path());
  void* block = library_.alloc(4096);
  ASSERT_NE(nullptr, block);
  EXPECT_EQ(std::set<std::string>{BlockFileName(folder_.path(), 2)}, TempFolder::ListBlockFiles(folder_.path()));
  library_.free(block);
}

#if defined(_WIN32)
// Sizes the system cannot map: 0, and 4 GiB or more, whose low 32 bits go to
// the mapping while the view asks for all of them. Each fails after its name
// was formed, so each uses up a number, and none leaves a file.
TEST_F(UnloadTest, UnmappableSizesGiveNullAndUseUpANumber) {
  EXPECT_EQ(nullptr, library_.alloc(0));
  EXPECT_EQ(nullptr, library_.alloc(std::uint64_t{1} << 32));
  EXPECT_EQ(nullptr, library_.alloc((std::uint64_t{1} << 32) + 4096));
  EXPECT_EQ(0u, folder_.EntryCount());
  void* block = library_.alloc(4096);
  ASSERT_NE(nullptr, block);
  EXPECT_EQ(std::set<std::string>{BlockFileName(folder_.path(), 4)}, TempFolder::ListBlockFiles(folder_.path()));
  library_.free(block);
}

// Names repeat across processes (each counts from 1): a left-over file that
// nobody holds open is emptied and used, one held open elsewhere makes the
// allocation fail and is left as it was.
TEST_F(UnloadTest, FileAtTheNameIsReusedUnlessHeldOpen) {
  std::ofstream(folder_.PathOf(BlockFileName(folder_.path(), 1))) << std::string(10000, 'x');
  void* reused = library_.alloc(100);
  ASSERT_NE(nullptr, reused);
  EXPECT_EQ((std::map<std::string, std::uintmax_t>{{BlockFileName(folder_.path(), 1), 100}}), folder_.BlockFiles());

  const std::string held_path = folder_.PathOf(BlockFileName(folder_.path(), 2));
  std::ofstream(held_path) << "held";
  {
    std::ifstream holder(held_path);
    ASSERT_TRUE(holder.is_open());
    EXPECT_EQ(nullptr, library_.alloc(4096));
  }
  std::ifstream held(held_path);
  std::string text;
  held >> text;
  EXPECT_EQ("held", text);
  library_.free(reused);
}
#endif

}  // namespace
}  // namespace vem_test
