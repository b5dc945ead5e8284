#include "tests/msgbox/box_descriptions.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace vem {

std::string Box::Text(const char* name) const {
  const std::string* value = record.Find(name);
  return value != nullptr ? *value : "<absent: " + std::string(name) + ">";
}

long long Box::Number(const char* name) const {
  std::int64_t value = -1;
  record.FindInteger(name, &value);
  return value;
}

BoxDescriptions::BoxDescriptions() { setenv(kDescribeFolderVariable, Folder().c_str(), 1); }

Box BoxDescriptions::NextBox() {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < deadline) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(Folder(), error)) {
      const std::string name = entry.path().filename();
      if (entry.path().extension() != ".box" || !m_seen.insert(name).second) continue;
      std::ifstream file(entry.path(), std::ios::binary);
      Box box;
      box.pid = std::stol(name);
      EXPECT_TRUE(box.record.Parse(std::string(std::istreambuf_iterator<char>(file), {}))) << name;
      return box;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ADD_FAILURE() << "no box appeared";
  return Box();
}

}  // namespace vem
