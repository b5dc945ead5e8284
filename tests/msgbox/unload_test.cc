// Boxes still open when the library goes away: unloading it (dlclose) or
// leaving the process closes their dialogs and ends their threads first, so
// no thread runs in unmapped code and no dialog outlives its caller. This
// program loads the library itself instead of linking it.
#include <dlfcn.h>
#include <signal.h>
#include <stdlib.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "tests/msgbox/box_descriptions.h"

namespace vem {
namespace {

using ShowFunction = int32_t (*)(const char*, const char*, int32_t, int32_t);

class UnloadTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(boxes_.Folder().empty()); }

  // Process ids of the helpers whose boxes are on screen, once there are `count`.
  std::vector<pid_t> WaitForBoxes(std::size_t count) {
    std::vector<pid_t> helpers;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (helpers.size() < count && std::chrono::steady_clock::now() < deadline) {
      helpers.clear();
      for (const std::string& name : boxes_.Files()) helpers.push_back(std::stoi(name));
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return helpers;
  }

  BoxDescriptions boxes_;
};

TEST_F(UnloadTest, UnloadingClosesOpenBoxesAndEndsTheirThreads) {
  void* library = dlopen(VEMMISC_DESCRIBED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(nullptr, library) << dlerror();
  const auto show = reinterpret_cast<ShowFunction>(dlsym(library, "VTMessageBoxA"));
  ASSERT_NE(nullptr, show);
  ASSERT_EQ(0, show("open at unload", "mode 0", 1, 0));
  ASSERT_EQ(0, show("open at unload", "mode 1", 1, 1));
  const std::vector<pid_t> helpers = WaitForBoxes(2);
  ASSERT_EQ(2u, helpers.size());

  ASSERT_EQ(0, dlclose(library));
  EXPECT_EQ(nullptr, dlopen(VEMMISC_DESCRIBED_LIBRARY, RTLD_NOW | RTLD_NOLOAD)) << "the library is really gone";
  for (pid_t helper : helpers) EXPECT_NE(0, kill(helper, 0)) << "helper " << helper << " still runs";
}

TEST_F(UnloadTest, LeavingTheProcessClosesOpenBoxes) {
  EXPECT_EXIT(
      {
        void* library = dlopen(VEMMISC_DESCRIBED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        const auto show = library != nullptr ? reinterpret_cast<ShowFunction>(dlsym(library, "VTMessageBoxA")) : nullptr;
        if (show == nullptr || show("open at exit", "mode 0", 1, 0) != 0 || WaitForBoxes(1).size() != 1) std::exit(3);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
  const std::vector<pid_t> helpers = WaitForBoxes(1);
  ASSERT_EQ(1u, helpers.size());
  EXPECT_NE(0, kill(helpers[0], 0)) << "the box outlived its process";
}

}  // namespace
}  // namespace vem
