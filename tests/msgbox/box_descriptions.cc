#include "tests/msgbox/box_descriptions.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace vem_test {

std::string Box::Text(const char* name) const {
  const std::string* value = record.Find(name);
  return value != nullptr ? *value : "<absent>";
}

long long Box::Number(const char* name) const {
  std::int64_t value = -1;
  record.FindInteger(name, &value);
  return value;
}

BoxDescriptions::BoxDescriptions() { setenv(kDescribeFolderVariable, Folder().c_str(), 1); }

Box BoxDescriptions::NextBox() {
  for (const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
       std::chrono::steady_clock::now() < deadline; std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(Folder(), error)) {
      const std::string name = entry.path().filename();
      if (entry.path().extension() != ".box" || !seen_.insert(name).second) continue;
      std::ifstream file(entry.path(), std::ios::binary);
      Box box;
      box.pid = std::stol(name);
      EXPECT_TRUE(box.record.Parse(std::string(std::istreambuf_iterator<char>(file), {}))) << name;
      return box;
    }
  }
  ADD_FAILURE() << "no box appeared";
  return Box();
}

void SignalChildProcesses(int signal) {
  std::error_code error;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
    std::ifstream children(task.path() / "children");
    for (pid_t child; children >> child;) kill(child, signal);
  }
}

}  // namespace vem_test
