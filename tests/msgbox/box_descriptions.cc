#include "tests/msgbox/box_descriptions.h"

#include <dirent.h>
#include <stdlib.h>

#include <filesystem>

namespace vem {

BoxDescriptions::BoxDescriptions() {
  char pattern[] = "/tmp/vemmsgbox-test.XXXXXX";
  if (mkdtemp(pattern) == nullptr) return;
  m_folder = pattern;
  setenv(kDescribeFolderVariable, m_folder.c_str(), 1);
}

BoxDescriptions::~BoxDescriptions() {
  if (m_folder.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(m_folder, ignored);
}

std::vector<std::string> BoxDescriptions::Files() const {
  std::vector<std::string> files;
  DIR* dir = opendir(m_folder.c_str());
  if (dir == nullptr) return files;
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".box") == 0) files.push_back(name);
  }
  closedir(dir);
  return files;
}

}  // namespace vem
