#include "tests/support/temp_folder.h"

#include <filesystem>
#include <random>

namespace fs = std::filesystem;

namespace vem_test {
namespace {

// Taken once, before any test points the temporary directory elsewhere.
const fs::path& OriginalTemporaryDirectory() {
  static const fs::path directory = fs::temp_directory_path();
  return directory;
}

}  // namespace

TempFolder::TempFolder(const std::string& prefix) {
  std::random_device random;
  fs::path candidate;
  do {
    candidate = OriginalTemporaryDirectory() / (prefix + std::to_string(random()));
  } while (!fs::create_directory(candidate));
  // Readable by every user, for tests that run a step as another one.
  fs::permissions(candidate, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                 fs::perms::others_read | fs::perms::others_exec);
  path_ = candidate.string();
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  for (auto it = fs::recursive_directory_iterator(path_, ignored); it != fs::recursive_directory_iterator();
       it.increment(ignored)) {
    if (it->is_directory(ignored)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

std::string TempFolder::PathOf(const std::string& name) const { return (fs::path(path_) / name).string(); }

std::map<std::string, std::uintmax_t> TempFolder::Files(const std::string& prefix) const {
  std::map<std::string, std::uintmax_t> files;
  for (const auto& entry : fs::directory_iterator(path_)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) == 0 && fs::is_regular_file(entry.symlink_status())) {
      files[name] = fs::file_size(entry.path());
    }
  }
  return files;
}

std::string TempFolder::SystemTemporaryDirectory() { return OriginalTemporaryDirectory().string(); }

std::size_t TempFolder::EntryCount() const {
  std::size_t count = 0;
  for (auto it = fs::directory_iterator(path_); it != fs::directory_iterator(); ++it) ++count;
  return count;
}

}  // namespace vem_test
