// The tool compiles the library's hive code into itself (the library exports
// none of it), so it keeps the process's hive connections here, as the
// library keeps its own.
#include "settings/hive.h"

namespace vem {
HiveConnections g_hive_connections;
}  // namespace vem
