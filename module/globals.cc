// Every global object of the library lives in this one translation unit, so
// that they are constructed at load in the order below and destroyed at unload
// in the reverse order. Later objects may rely on earlier ones during their
// destruction (for instance, releasing live blocks needs the block registry).
//
// 1. The runtime's own records (string and thread support) are set up before
//    any object here, by the C++ runtime itself.

// 2. The registry of live file-backed blocks (and the plain counter that
//    numbers their files, which needs no construction).
// 3. The release of every live block at unload, destroyed just before the
//    registry it reads.
#include "mmf/mmf_registry.h"
namespace vem {
BlockRegistry g_mmf_blocks;
BlockCounter g_mmf_counter = 1;
BlockReleaseAtUnload g_mmf_release_at_unload(g_mmf_blocks);
}  // namespace vem

// 4. The list of pending message box events, held by the message box service
//    with the caption and the owner window. At unload the service first ends
//    its display threads (and their helper processes), because they read the
//    caption and run the library's code; only then is the list's storage freed
//    (events still in it stay open). The threads use nothing of the later
//    slots, which are gone by then, and the runtime records they rely on
//    (slot 1) outlive them.
#include "msgbox/message_box_service.h"
namespace vem {
MessageBoxService g_message_box_service;
}  // namespace vem

// 5. VemParamStorage::s_storages: 151 buckets; refers to storages, never
//    deletes one.
#include "VemParams.h"
THashtable<VemParamStorage> VemParamStorage::s_storages;
// 6. _g_tmp_param, a default-constructed record for callers to fill in.
_VemStParam _g_tmp_param;

// 7. SettingsManager::s_strRoot, preceded on Linux by the registry hive's
//    open connections and key handles. They come first of the settings
//    service's objects so that they are destroyed last: every settings call
//    that could still run at unload finds its hive open, and closing a
//    connection then folds the hive's write-ahead log into its file. A forked
//    child only forgets the connections it inherited (they are its parent's).
#include "VemSettings.h"
#if !defined(_WIN32)
#include "settings/hive.h"
#include "settings/hive_key_handles.h"
namespace vem {
HiveConnections g_hive_connections;
HiveKeyHandles g_hive_key_handles;
}  // namespace vem
#endif
std::string SettingsManager::s_strRoot("HKEY_CURRENT_USER");
// 8. SettingsManager::s_strPath (and s_type, a constant needing no construction).
std::string SettingsManager::s_strPath("Software\\Tamrel\\VemTools");
int32_t SettingsManager::s_type = 0;
