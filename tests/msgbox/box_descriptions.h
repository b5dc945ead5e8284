// The boxes on screen as the test build of the message box helper describes
// them: one "<pid>.box" record per box, in a folder that the environment
// names. The library starts that helper when it is loaded from the layout
// that tests/msgbox/CMakeLists.txt makes for it.
#ifndef VEMMISC_TESTS_MSGBOX_BOX_DESCRIPTIONS_H_
#define VEMMISC_TESTS_MSGBOX_BOX_DESCRIPTIONS_H_

#include <set>
#include <string>

#include "msgbox/helper_protocol.h"
#include "tests/support/temp_folder.h"

namespace vem_test {

// Names the folder for the test build of the helper.
constexpr const char* kDescribeFolderVariable = "VEMMSGBOX_DESCRIBE";

// One box, as its helper described it; pid 0 when none appeared.
struct Box {
  long pid = 0;
  vem::FieldRecord record;
  std::string Text(const char* name) const;  // "<absent>" when absent
  long long Number(const char* name) const;  // -1 when absent
};

class BoxDescriptions {
 public:
  // Points the helpers at a new empty folder, removed with the object.
  BoxDescriptions();
  const std::string& Folder() const { return folder_.path(); }
  // The next box described; after 30 s without one (sanitizer builds draw
  // slowly), a test failure and a Box with pid 0.
  Box NextBox();

 private:
  TempFolder folder_{"vemmsgbox-test-"};
  std::set<std::string> seen_;
};

// Sends `signal` to every child process of this one (the helpers of the
// boxes still open), so that a failed test still ends its calls.
void SignalChildProcesses(int signal);

}  // namespace vem_test

#endif  // VEMMISC_TESTS_MSGBOX_BOX_DESCRIPTIONS_H_
