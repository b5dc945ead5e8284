// The hive's file format: an SQLite database marked with the hive's
// application id, its format version in user_version.
//
// Format 2 (current): reg_keys rows (id, parent, name, name_key) with the
// root row id 0; reg_values rows (key, name, name_key, type, data). A name is
// kept as it was created; name_key is its comparison key (text/name_case.h),
// unique among the sub-keys of a key and among the values of a key, so that
// lookups are exact index searches. Key ids are never reused.
//
// Format 1 had no name_key; its names were unique without regard to ASCII
// letter case only. UpgradeHiveFormat turns it into format 2.
#ifndef VEMMISC_SETTINGS_HIVE_FORMAT_H_
#define VEMMISC_SETTINGS_HIVE_FORMAT_H_

#include <string>

struct sqlite3;

namespace vem {

// "VemR": no other program's database is taken for a hive and changed.
constexpr int kHiveApplicationId = 0x56656d52;
constexpr int kHiveFormatVersion = 2;

// SQL that makes an empty hive of the current format, marks and all.
std::string NewHiveSql();

// Upgrades the hive open on db from format 1 to the current one in one
// transaction, which waits for other writers and finds out first whether
// another process did the upgrade meanwhile. Nothing is lost: keys whose
// names are now one name are merged into the oldest of them; a value whose
// name is now another value's name of the same key keeps its data under
// "name (2)" ("name (3)", ...). False, changing nothing, if the upgrade
// could not be made. Foreign keys must be off on db (the default).
bool UpgradeHiveFormat(sqlite3* db);

}  // namespace vem

#endif  // VEMMISC_SETTINGS_HIVE_FORMAT_H_
