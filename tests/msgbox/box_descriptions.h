// The folder into which the test build of the message box helper describes
// each dialog it shows (one "<pid>.box" file per box on screen), for tests that
// watch boxes from outside. The library starts that helper when it is loaded
// from the layout that tests/msgbox/CMakeLists.txt makes for it.
#ifndef VEMMISC_TESTS_MSGBOX_BOX_DESCRIPTIONS_H_
#define VEMMISC_TESTS_MSGBOX_BOX_DESCRIPTIONS_H_

#include <string>
#include <vector>

namespace vem {

// Names the folder for the test build of the helper.
constexpr const char* kDescribeFolderVariable = "VEMMSGBOX_DESCRIBE";

class BoxDescriptions {
 public:
  // Creates an empty folder below /tmp and points the helpers at it; Folder()
  // is empty when the folder could not be made.
  BoxDescriptions();
  // Removes the folder and everything in it.
  ~BoxDescriptions();
  BoxDescriptions(const BoxDescriptions&) = delete;
  BoxDescriptions& operator=(const BoxDescriptions&) = delete;

  const std::string& Folder() const { return m_folder; }
  // The names of the description files present now, in no particular order.
  std::vector<std::string> Files() const;

 private:
  std::string m_folder;
};

}  // namespace vem

#endif  // VEMMISC_TESTS_MSGBOX_BOX_DESCRIPTIONS_H_
