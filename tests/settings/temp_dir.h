// Temporary directories for the Linux hive tests.
#ifndef VEMMISC_TESTS_SETTINGS_TEMP_DIR_H
#define VEMMISC_TESTS_SETTINGS_TEMP_DIR_H

#include <string>

// A new empty directory below $TMPDIR (or /tmp), readable by every user.
std::string MakeTempDir();
// Deletes a directory tree, making read-only levels writable first.
void RemoveTree(const std::string& path);

#endif  // VEMMISC_TESTS_SETTINGS_TEMP_DIR_H
