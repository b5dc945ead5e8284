// Marks a storage call that may run caller code (callbacks, listeners).
//
// Caller code may clear the storage or replace a record while the library
// still holds pointers to records and listener lists. While any scope is
// open, released records and lists are retired instead of freed; the
// outermost scope frees them when it closes, after the library is done with
// them.
#ifndef VEMMISC_PARAMS_CALLOUT_SCOPE_H_
#define VEMMISC_PARAMS_CALLOUT_SCOPE_H_

#include "VemParams.h"

class VemParamStorage::CalloutScope {
 public:
  explicit CalloutScope(VemParamStorage* storage) : m_storage(storage) { ++m_storage->m_calloutDepth; }
  ~CalloutScope() {
    if (--m_storage->m_calloutDepth == 0 && m_storage->m_retired != nullptr) {
      m_storage->ReleaseRetired();
    }
  }
  CalloutScope(const CalloutScope&) = delete;
  CalloutScope& operator=(const CalloutScope&) = delete;

 private:
  VemParamStorage* m_storage;
};

#endif  // VEMMISC_PARAMS_CALLOUT_SCOPE_H_
