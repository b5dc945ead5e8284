#include "tests/support/temp_folder.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace fs = std::filesystem;

namespace vem_test {

// Taken once, before any test points the temporary directory elsewhere.
std::string TempFolder::SystemTemporaryDirectory() {
  static const std::string directory = fs::temp_directory_path().string();
  return directory;
}

TempFolder::TempFolder(const std::string& prefix) {
  std::random_device random;
  do {
    path_ = (fs::path(SystemTemporaryDirectory()) / (prefix + std::to_string(random()))).string();
  } while (!fs::create_directory(path_));
  // Readable by every user, for tests that run a step as another one.
  fs::permissions(path_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                             fs::perms::others_exec);
}

TempFolder::~TempFolder() {
  // Read-only levels are opened up first, so that everything below goes.
  std::error_code ignored;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  for (fs::recursive_directory_iterator it(path_, ignored), end; it != end; it.increment(ignored)) {
    if (it->is_directory(ignored)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  fs::remove_all(path_, ignored);
}

std::string TempFolder::PathOf(const std::string& name) const { return (fs::path(path_) / name).string(); }

std::map<std::string, std::uintmax_t> TempFolder::Files(const std::string& prefix) const {
  std::map<std::string, std::uintmax_t> files;
  for (const auto& entry : fs::directory_iterator(path_)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) == 0 && fs::is_regular_file(entry.symlink_status())) files[name] = entry.file_size();
  }
  return files;
}

std::string TempFolder::Read(const std::string& name) const {
  std::ifstream in(PathOf(name), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace vem_test
