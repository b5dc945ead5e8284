// A private, initially empty temporary directory for one test, made the
// directory where new blocks go for as long as it lives, and removed with
// everything in it afterwards.
#ifndef VEMMISC_TESTS_MMF_TEMP_FOLDER_H
#define VEMMISC_TESTS_MMF_TEMP_FOLDER_H

#include <cstdint>
#include <map>
#include <set>
#include <string>

namespace vem_test {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string PathOf(const std::string& name) const;
  // Every regular file of the folder whose name begins with "~mf", with its size.
  std::map<std::string, std::uintmax_t> BlockFiles() const;
  // Names of every entry of `directory` that begins with "~mf".
  static std::set<std::string> ListBlockFiles(const std::string& directory);
  // Every entry of the folder, whatever its name.
  std::size_t EntryCount() const;

 private:
  std::string path_;
};

}  // namespace vem_test

#endif  // VEMMISC_TESTS_MMF_TEMP_FOLDER_H
