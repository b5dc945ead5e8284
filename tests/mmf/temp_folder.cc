#include "tests/mmf/temp_folder.h"

#include <filesystem>
#include <random>
#include <utility>

#include "tests/mmf/test_platform.h"

namespace fs = std::filesystem;

namespace vem_test {
namespace {

// The directory the process started with, before any test redirected it.
const fs::path& OriginalTemporaryDirectory() {
  static const fs::path directory = fs::temp_directory_path();
  return directory;
}

}  // namespace

TempFolder::TempFolder() {
  std::random_device random;
  for (;;) {
    const fs::path candidate = OriginalTemporaryDirectory() / ("vemmmf-test-" + std::to_string(random()));
    if (fs::create_directory(candidate)) {
      path_ = candidate.string();
      break;
    }
  }
  SetTemporaryDirectory(path_);
}

TempFolder::~TempFolder() {
  SetTemporaryDirectory(OriginalTemporaryDirectory().string());
  std::error_code ignored;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

std::string TempFolder::PathOf(const std::string& name) const { return (fs::path(path_) / name).string(); }

std::map<std::string, std::uintmax_t> TempFolder::BlockFiles() const {
  std::map<std::string, std::uintmax_t> files;
  for (const auto& entry : fs::directory_iterator(path_)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("~mf", 0) == 0 && fs::is_regular_file(entry.symlink_status())) {
      files[name] = fs::file_size(entry.path());
    }
  }
  return files;
}

std::set<std::string> TempFolder::ListBlockFiles(const std::string& directory) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory)) {
    std::string name = entry.path().filename().string();
    if (name.rfind("~mf", 0) == 0) names.insert(std::move(name));
  }
  return names;
}

std::size_t TempFolder::EntryCount() const {
  std::size_t count = 0;
  for (auto it = fs::directory_iterator(path_); it != fs::directory_iterator(); ++it) ++count;
  return count;
}

}  // namespace vem_test
