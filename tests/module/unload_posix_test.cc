// Loads the installed libVemMisc.so.1 at run time and unloads it again: the
// library must leave the process completely (its global objects destroyed,
// its code unmapped), and load again with fresh global state. This program
// does not link the library; VEMMISC_INSTALLED_LIBRARY is its staged path.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <climits>
#include <cstdint>
#include <fstream>
#include <string>

namespace {

// The file behind the library's name, as /proc/self/maps shows it.
std::string LibraryFile() {
  char resolved[PATH_MAX];
  if (realpath(VEMMISC_INSTALLED_LIBRARY, resolved) == nullptr) return {};
  return resolved;
}

bool IsMapped(const std::string& file) {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line)) {
    if (line.size() >= file.size() && line.compare(line.size() - file.size(), file.size(), file) == 0) {
      return true;
    }
  }
  return false;
}

// GenerateID(const char*), looked up by its C++ symbol name.
using GenerateIdFn = int32_t (*)(const char*);
constexpr const char kGenerateIdSymbol[] = "_Z10GenerateIDPKc";

class InstalledLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = LibraryFile();
    ASSERT_FALSE(file_.empty()) << VEMMISC_INSTALLED_LIBRARY << " is not installed";
    ASSERT_FALSE(IsMapped(file_)) << "the library is loaded before the test";
  }

  std::string file_;
};

TEST_F(InstalledLibraryTest, DlcloseUnmapsTheLibrary) {
  void* handle = dlopen(VEMMISC_INSTALLED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  EXPECT_TRUE(IsMapped(file_));

  ASSERT_EQ(dlclose(handle), 0) << dlerror();
  EXPECT_FALSE(IsMapped(file_)) << "still mapped after dlclose";
  EXPECT_EQ(dlopen(VEMMISC_INSTALLED_LIBRARY, RTLD_NOW | RTLD_NOLOAD), nullptr)
      << "the dynamic loader still holds the library";
}

TEST_F(InstalledLibraryTest, WorksAfterEachReload) {
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    void* handle = dlopen(VEMMISC_INSTALLED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    auto generate_id = reinterpret_cast<GenerateIdFn>(dlsym(handle, kGenerateIdSymbol));
    ASSERT_NE(generate_id, nullptr) << dlerror();
    EXPECT_EQ(generate_id("abc"), 96354);
    ASSERT_EQ(dlclose(handle), 0) << dlerror();
    EXPECT_FALSE(IsMapped(file_));
  }
}

}  // namespace
