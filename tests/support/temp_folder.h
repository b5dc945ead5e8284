// A private, initially empty folder below the temporary directory the process
// started with, removed with everything in it (read-only levels included)
// when the object goes.
#ifndef VEMMISC_TESTS_SUPPORT_TEMP_FOLDER_H_
#define VEMMISC_TESTS_SUPPORT_TEMP_FOLDER_H_

#include <cstdint>
#include <map>
#include <string>

namespace vem_test {

class TempFolder {
 public:
  explicit TempFolder(const std::string& prefix = "vemmisc-test-");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string PathOf(const std::string& name) const;
  // The regular files of the folder whose names begin with prefix, with
  // their sizes.
  std::map<std::string, std::uintmax_t> Files(const std::string& prefix = "") const;
  // The whole file `name` of the folder as bytes; empty when it cannot be read.
  std::string Read(const std::string& name) const;
  // The temporary directory the process started with.
  static std::string SystemTemporaryDirectory();

 private:
  std::string path_;
};

}  // namespace vem_test

#endif  // VEMMISC_TESTS_SUPPORT_TEMP_FOLDER_H_
