// Loads the installed libVemMisc.so.1 at run time and unloads it again, three
// times: the library must leave the process completely (its code unmapped,
// the loader holding nothing) and work again after each reload. This program
// does not link the library; VEMMISC_INSTALLED_LIBRARY is its staged path.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <climits>
#include <cstdint>
#include <fstream>
#include <string>

namespace {

// Whether the file behind the library's name is mapped, as /proc/self/maps
// shows it.
bool IsMapped() {
  char file[PATH_MAX];
  if (realpath(VEMMISC_INSTALLED_LIBRARY, file) == nullptr) return false;
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);) {
    if (line.substr(line.find_last_of(' ') + 1) == file) return true;
  }
  return false;
}

TEST(InstalledLibrary, UnloadsCompletelyAndWorksAfterEachReload) {
  ASSERT_FALSE(IsMapped()) << "the library is loaded before the test";
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    void* handle = dlopen(VEMMISC_INSTALLED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    EXPECT_TRUE(IsMapped());
    auto generate_id = reinterpret_cast<int32_t (*)(const char*)>(dlsym(handle, "_Z10GenerateIDPKc"));
    ASSERT_NE(generate_id, nullptr) << dlerror();
    EXPECT_EQ(generate_id("abc"), 96354);
    ASSERT_EQ(dlclose(handle), 0) << dlerror();
    EXPECT_FALSE(IsMapped()) << "still mapped after dlclose";
    EXPECT_EQ(dlopen(VEMMISC_INSTALLED_LIBRARY, RTLD_NOW | RTLD_NOLOAD), nullptr) << "the loader still holds it";
  }
}

}  // namespace
