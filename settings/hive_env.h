// What the hive needs from the operating system: where each root's hive file
// lives, how a new one is put there, and which process is running.
#ifndef VEMMISC_SETTINGS_HIVE_ENV_H_
#define VEMMISC_SETTINGS_HIVE_ENV_H_

#include <cstdint>
#include <string>

#include "settings/registry_defs.h"

namespace vem {

struct HiveLocation {
  std::string directory;
  std::string file;           // inside directory
  bool machine_wide = false;  // readable by every user, writable by the administrator
};

// The hive file of `root`: in $VEMMISC_REGISTRY_DIR when that is set; else
// HKEY_CURRENT_USER under ${XDG_CONFIG_HOME:-$HOME/.config}/vemmisc/registry
// and the other roots under /var/lib/vemmisc/registry. False when no
// location can be named (neither XDG_CONFIG_HOME nor HOME is set).
bool LocateHive(RegistryRoot root, HiveLocation* location);

// Creates the location's directory and any missing parents: mode 0755 for a
// machine-wide location, 0700 otherwise. True if the directory exists.
bool MakeHiveDirectory(const HiveLocation& location);

// True if nothing at all lies in the hive's place (whatever does lie there,
// a directory or an empty file too, is opened and judged as a hive).
bool HiveFileMissing(const std::string& file);

// Gives the file `built` the name `file` if `use` is true and nothing has
// that name yet, and removes `built` in every case. True if `file` exists
// afterwards (it may be another process's hive that was placed first).
bool PlaceHiveFile(const std::string& built, const std::string& file, bool use);

int64_t CurrentProcessId();

}  // namespace vem

#endif  // VEMMISC_SETTINGS_HIVE_ENV_H_
