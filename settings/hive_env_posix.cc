#include <errno.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "settings/hive_env.h"

namespace vem {

namespace {

const char* NonEmptyEnv(const char* name) {
  const char* value = getenv(name);
  return value != nullptr && value[0] != '\0' ? value : nullptr;
}

}  // namespace

bool LocateHive(RegistryRoot root, HiveLocation* location) {
  location->machine_wide = false;
  if (const char* dir = NonEmptyEnv("VEMMISC_REGISTRY_DIR")) {
    location->directory = dir;
  } else if (root != RegistryRoot::kCurrentUser) {
    location->directory = "/var/lib/vemmisc/registry";
    location->machine_wide = true;
  } else if (const char* config = NonEmptyEnv("XDG_CONFIG_HOME")) {
    location->directory = std::string(config) + "/vemmisc/registry";
  } else if (const char* home = NonEmptyEnv("HOME")) {
    location->directory = std::string(home) + "/.config/vemmisc/registry";
  } else {
    return false;
  }
  location->file = location->directory + "/" + RegistryRootName(root) + ".db";
  return true;
}

bool MakeHiveDirectory(const HiveLocation& location) {
  const mode_t mode = location.machine_wide ? 0755 : 0700;
  const std::string& dir = location.directory;
  struct stat info;
  if (stat(dir.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  // Create each missing level from the top; existing levels are left alone.
  for (size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
    const std::string level = dir.substr(0, slash);
    if (mkdir(level.c_str(), mode) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  return stat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool HiveFileMissing(const std::string& file) {
  struct stat info;
  return lstat(file.c_str(), &info) != 0 && errno == ENOENT;
}

bool PlaceHiveFile(const std::string& built, const std::string& file, bool use) {
  // A hard link names the file without ever replacing what has the name.
  const bool placed = use && (link(built.c_str(), file.c_str()) == 0 || errno == EEXIST);
  unlink(built.c_str());
  return placed;
}

int64_t CurrentProcessId() { return static_cast<int64_t>(getpid()); }

}  // namespace vem
