// The hive tests compile the hive into the test program, which therefore
// keeps its own connections and key handles, as the library keeps its own.
#include "settings/hive.h"
#include "settings/hive_key_handles.h"

namespace vem {
HiveConnections g_hive_connections;
HiveKeyHandles g_hive_key_handles;
}  // namespace vem
