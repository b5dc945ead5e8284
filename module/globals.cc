// Every global object of the library lives in this one translation unit, so
// that they are constructed at load in the order below and destroyed at unload
// in the reverse order. Later objects may rely on earlier ones during their
// destruction (for instance, releasing live blocks needs the block registry).
//
// 1. The runtime's own records (string and thread support) are set up before
//    any object here, by the C++ runtime itself.

// 2. The registry of live file-backed blocks.
// 3. The release of every live block at unload.

// 4. The list of pending message box events.

// 5. VemParamStorage::s_storages.
// 6. _g_tmp_param.

// 7. SettingsManager::s_strRoot.
// 8. SettingsManager::s_strPath.
