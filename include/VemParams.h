// VemMisc parameter storage: named, typed parameters of one owning object,
// read and written by name, with callbacks into the owner, access flags,
// ranges, change listeners, linked memory blocks and deferred changes, and a
// process-wide registry that finds a storage by its identifier.
//
// Every name is looked up by its key, GenerateID(name): two names with the
// same key (for instance "Aa" and "BB") are one parameter. Nothing here locks;
// each storage, and the registry, is used by one thread at a time. A null
// pointer where an operation needs memory to read or write is refused with
// PARAM_ERR_BUFFER before any callback runs.
#ifndef VEMMISC_INCLUDE_VEMPARAMS_H_
#define VEMMISC_INCLUDE_VEMPARAMS_H_

#include "VemContainers.h"
#include "VemMiscDefs.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

// Type codes: they select the arm of the value area.
constexpr uint32_t PARAM_TYPE_INT = 0;     // signed 64-bit, intVal
constexpr uint32_t PARAM_TYPE_BOOL = 1;    // bool, boolVal
constexpr uint32_t PARAM_TYPE_FLOAT = 2;   // double, floatVal
constexpr uint32_t PARAM_TYPE_STRING = 3;  // NUL-terminated text, strVal
constexpr uint32_t PARAM_TYPE_ARRAY = 4;   // bytes, arrVal

// Access bits. Only the typed getters and setters consult them.
constexpr uint32_t PARAM_ACCESS_READ = 1;
constexpr uint32_t PARAM_ACCESS_WRITE = 2;

// Results: 0 is success; a callback's non-zero result may also be returned.
constexpr int32_t PARAM_ERR_TYPE = -7001;       // unknown type, wrong size, wrong type
constexpr int32_t PARAM_ERR_RANGE = -7002;      // value outside the parameter's range
constexpr int32_t PARAM_ERR_ACCESS = -7003;     // read or write access not granted
constexpr int32_t PARAM_ERR_NOT_FOUND = -7004;  // no parameter (list, listener, block)
constexpr int32_t PARAM_ERR_BUFFER = -7005;     // buffer or count too small, or null

struct _VemStParam;

// Callbacks into the owner. Each receives the storage identifier and the
// storage's own record, which it may change.

// Before a typed read; non-zero ends the read with that result.
typedef int32_t (*VemBeforeGetFn)(uint32_t id, _VemStParam* param);
// After a successful typed read, with a copy of the value as it was before.
typedef int32_t (*VemAfterGetFn)(uint32_t id, _VemStParam* param, void* old_value, uint32_t size);
// Before a typed write; non-zero vetoes it. Scalars may be rewritten through
// new_value.
typedef int32_t (*VemBeforeSetFn)(uint32_t id, _VemStParam* param, void* new_value, uint32_t size);
// Applies a written value to the owner.
typedef int32_t (*VemAfterSetFn)(uint32_t id, _VemStParam* param);

// The parameter record, exchanged byte for byte with callers: its layout is
// fixed. Copies handed out by a storage are shallow: strVal.current and
// arrVal.current point into the storage's buffers, valid until the parameter
// is next written or the storage is cleared.
struct _VemStParam {
  // The value of an integer parameter, with its range.
  struct IntValue {
    int64_t current;    // the value
    int64_t initial;    // the value AddParam starts with
    int64_t min;        // lowest value a typed write accepts
    int64_t max;        // highest value a typed write accepts
    bool minExclusive;  // min itself is refused
    bool maxExclusive;  // max itself is refused
  };
  // The value of a boolean parameter; initial is the byte after current.
  struct BoolValue {
    bool current;  // the value
    bool initial;  // the value AddParam starts with
  };
  // The value of a floating-point parameter, with its range. A comparison
  // with a NaN (value or bound) never refuses a write.
  struct FloatValue {
    double current;     // the value
    double initial;     // the value AddParam starts with
    double min;         // lowest value a typed write accepts
    double max;         // highest value a typed write accepts
    bool minExclusive;  // min itself is refused
    bool maxExclusive;  // max itself is refused
  };
  // The value of a string parameter.
  struct StringValue {
    char* current;        // the storage's own copy
    const char* initial;  // the caller's text given to AddParam
  };
  // The value of a byte-array parameter.
  struct ArrayValue {
    void* current;         // the storage's own buffer, or null
    uint32_t size;         // bytes of the value
    const void* initial;   // the caller's bytes given to AddParam, or null
    uint32_t initialSize;  // number of those bytes
  };

  uint32_t type;    // a PARAM_TYPE_ code: which arm of the value area holds the value
  uint32_t access;  // PARAM_ACCESS_ bits; other bits are kept and mean nothing
  char name[256];   // NUL-terminated, at most 255 characters
  // The owner's callbacks, each of which may be null.
  VemBeforeGetFn pfnBeforeGet;
  VemAfterGetFn pfnAfterGet;
  VemBeforeSetFn pfnBeforeSet;
  VemAfterSetFn pfnAfterSet;
  // The value area: the arm of the record's type holds the value. Every arm
  // begins at the start of the area.
  union {
    IntValue intVal;      // PARAM_TYPE_INT
    BoolValue boolVal;    // PARAM_TYPE_BOOL
    FloatValue floatVal;  // PARAM_TYPE_FLOAT
    StringValue strVal;   // PARAM_TYPE_STRING
    ArrayValue arrVal;    // PARAM_TYPE_ARRAY
  };

  // Type 0, read and write access, empty name, no callbacks, zero value area.
  // The name's bytes after the first are left as they are.
  _VemStParam()
      : type(PARAM_TYPE_INT),
        access(PARAM_ACCESS_READ | PARAM_ACCESS_WRITE),
        pfnBeforeGet(nullptr),
        pfnAfterGet(nullptr),
        pfnBeforeSet(nullptr),
        pfnAfterSet(nullptr) {
    name[0] = '\0';
    // intVal spans the whole value area (checked below).
    std::memset(static_cast<void*>(&intVal), 0, sizeof(intVal));
  }
};

// The layout callers exchange with the library, on 64-bit targets.
#if UINTPTR_MAX == 0xFFFFFFFFFFFFFFFFu
static_assert(sizeof(_VemStParam) == 336, "record size is part of the interface");
static_assert(alignof(_VemStParam) == 8, "record alignment is part of the interface");
static_assert(offsetof(_VemStParam, type) == 0 && offsetof(_VemStParam, access) == 4, "type and access offsets");
static_assert(offsetof(_VemStParam, name) == 8, "name offset");
static_assert(offsetof(_VemStParam, pfnBeforeGet) == 264 && offsetof(_VemStParam, pfnAfterGet) == 272 &&
                  offsetof(_VemStParam, pfnBeforeSet) == 280 && offsetof(_VemStParam, pfnAfterSet) == 288,
              "callback offsets");
static_assert(offsetof(_VemStParam, intVal) == 296 && offsetof(_VemStParam, boolVal) == 296 &&
                  offsetof(_VemStParam, floatVal) == 296 && offsetof(_VemStParam, strVal) == 296 &&
                  offsetof(_VemStParam, arrVal) == 296,
              "every arm starts the value area");
static_assert(sizeof(_VemStParam) - offsetof(_VemStParam, intVal) == 40 && sizeof(_VemStParam::IntValue) == 40 &&
                  sizeof(_VemStParam::FloatValue) == 40,
              "intVal and floatVal span the value area");
static_assert(offsetof(_VemStParam::IntValue, minExclusive) == 32 &&
                  offsetof(_VemStParam::IntValue, maxExclusive) == 33 &&
                  offsetof(_VemStParam::FloatValue, minExclusive) == 32 &&
                  offsetof(_VemStParam::FloatValue, maxExclusive) == 33,
              "range flags follow the four numbers");
static_assert(offsetof(_VemStParam::BoolValue, initial) == 1, "boolVal.initial is the byte after boolVal.current");
static_assert(offsetof(_VemStParam::StringValue, initial) == 8, "strVal.initial offset");
static_assert(offsetof(_VemStParam::ArrayValue, size) == 8 && offsetof(_VemStParam::ArrayValue, initial) == 16 &&
                  offsetof(_VemStParam::ArrayValue, initialSize) == 24,
              "arrVal field offsets");
#endif

// Implemented by callers that want to hear of applied changes.
class VemParamListener {
 public:
  // Receives a copy of the changed record, made for this call only. The
  // result is ignored.
  virtual int32_t OnParamChanged(_VemStParam* param) = 0;
  // Listeners may be deleted through this interface.
  virtual ~VemParamListener() {}
};

// The parameters of one owning object. Callbacks and listeners run
// synchronously inside the call that triggers them and may call back into the
// storage, ClearStorage included: whatever they release stays readable until
// the outermost call returns, so the library never touches freed memory.
class VEMMISC_API VemParamStorage {
 public:
  // A memory block linked to a parameter name; the storage owns the copy.
  struct LinkedData {
    void* data;     // the storage's copy of the block
    uint32_t size;  // its length in bytes
  };

  // An empty storage with identifier id, not registered.
  explicit VemParamStorage(uint32_t id);
  // A storage owns its records and buffers: it cannot be copied.
  VemParamStorage(const VemParamStorage&) = delete;
  VemParamStorage& operator=(const VemParamStorage&) = delete;
  // Clears the storage. Does not unregister it.
  virtual ~VemParamStorage();

  // Do nothing here; for derived classes. Return 0.
  virtual int32_t ChangeDir(char* dir);
  virtual int32_t GetDir(char* dir);

  // Typed writes. Return 0; PARAM_ERR_NOT_FOUND; PARAM_ERR_TYPE for a
  // parameter of another type; PARAM_ERR_BUFFER for null text or null bytes
  // with a non-zero count; pfnBeforeSet's non-zero result; PARAM_ERR_ACCESS
  // without write access; PARAM_ERR_RANGE (integers and doubles). With notify
  // true: pfnAfterSet's result, after the listeners of the name have been
  // called (only when pfnAfterSet is set). With notify false the record is
  // queued for UpdateToObject. A refused write changes nothing.
  virtual int32_t SetParamInt(const char* name, int64_t value, bool notify);
  virtual int32_t SetParamBool(const char* name, bool value, bool notify);
  virtual int32_t SetParamFloat(const char* name, double value, bool notify);
  virtual int32_t SetParamString(const char* name, const char* text, bool notify);
  // The parameter's length becomes exactly count.
  virtual int32_t SetParamArray(const char* name, const void* bytes, uint32_t count, bool notify);

  // Typed reads. Return 0 or pfnAfterGet's result; PARAM_ERR_NOT_FOUND;
  // PARAM_ERR_TYPE; PARAM_ERR_BUFFER for a null output; pfnBeforeGet's
  // non-zero result; PARAM_ERR_ACCESS without read access. A failed read
  // leaves the caller's variable untouched.
  virtual int32_t GetParamInt(const char* name, int64_t* value);
  virtual int32_t GetParamBool(const char* name, bool* value);
  virtual int32_t GetParamFloat(const char* name, double* value);
  // *length: on entry the buffer's size, on success the text's size with its
  // NUL. A null buffer asks for that size. PARAM_ERR_BUFFER when the buffer is
  // too small (buffer and *length untouched) or length is null.
  virtual int32_t GetParamString(const char* name, char* buffer, uint32_t* length);
  // As GetParamString, with the parameter's length in bytes.
  virtual int32_t GetParamArray(const char* name, void* buffer, uint32_t* length);

  // Applies every queued change in order: pfnAfterSet, then every listener of
  // every name with a copy of the record. Empties the queue. Returns 0 or the
  // last non-zero pfnAfterSet result.
  virtual int32_t UpdateToObject();
  // Does nothing here; for derived classes. Returns 0.
  virtual int32_t UpdateFromObject();
  // Copies every record into list (in the table's enumeration order) and
  // writes their number to *count. A null list asks for the number.
  // PARAM_ERR_BUFFER when *count is too small (the number is written, list
  // untouched) or count is null.
  virtual int32_t GetParametersList(_VemStParam* list, uint32_t* count);

  // Removes and releases every parameter, listener list and linked block, and
  // forgets the queued changes. The tables keep their bucket counts.
  void ClearStorage();
  // Completes param in place (current value from the initial one; a string
  // or array gets the storage's own buffer) and stores a copy under the key of
  // its name, replacing an earlier parameter with that key. 0;
  // PARAM_ERR_TYPE for an unknown type code or a name without NUL in its 256
  // bytes; PARAM_ERR_BUFFER for a null param. A failure changes nothing.
  int32_t AddParam(_VemStParam* param);
  // Copies the whole record into *param. 0; PARAM_ERR_NOT_FOUND (param
  // untouched); PARAM_ERR_BUFFER for a null param.
  int32_t GetParamData(const char* name, _VemStParam* param);

  // Registers listener for the name (twice if added twice). 0, or
  // PARAM_ERR_NOT_FOUND when no parameter has the name's key.
  int32_t AddParamChangedListener(const char* name, VemParamListener* listener);
  // Removes the first registration of listener under the name. 0, or
  // PARAM_ERR_NOT_FOUND when it is not registered there.
  int32_t RemoveParamChangedListener(const char* name, VemParamListener* listener);
  // Links a copy of size bytes to the parameter, replacing an earlier block.
  // 0; PARAM_ERR_NOT_FOUND; PARAM_ERR_BUFFER for null data with size > 0.
  int32_t LinkParamData(const char* name, const void* data, uint32_t size);
  // Copies the linked block to the start of buffer. 0; PARAM_ERR_NOT_FOUND (no
  // parameter or no block); PARAM_ERR_BUFFER when size is below the block's
  // length or buffer is null (nothing copied).
  int32_t GetLinkedData(const char* name, void* buffer, uint32_t size);

  // Registers storage under id, replacing (not deleting) an earlier one; a
  // null storage changes nothing.
  static void AddStorage(uint32_t id, VemParamStorage* storage);
  // The storage registered under id, or null.
  VEMMISC_INLINE_API static VemParamStorage* GetStorage(uint32_t id) {
    return s_storages.Get(static_cast<int32_t>(id));
  }

  // Every registered storage, keyed by its identifier. Never owns them.
  static THashtable<VemParamStorage> s_storages;

 protected:
  // Writes a raw value into param, a record of this storage, with no
  // callback, test, notification or queueing. size is 8 for integers and
  // doubles, 1 for booleans, the text's length plus its NUL for strings (the
  // last byte must be NUL), the length for arrays. 0; PARAM_ERR_TYPE for a
  // size that does not fit; PARAM_ERR_NOT_FOUND for a record not held here;
  // PARAM_ERR_BUFFER for a null value.
  int32_t SetParam(_VemStParam* param, const void* value, uint32_t size);

  THashtable<LinkedData> m_linkedData;  // linked blocks, by name key
  uint32_t m_id;                        // the identifier every callback receives
  uint8_t m_reserved[2048];             // used by no operation, never initialised
  THashtable<_VemStParam> m_params;     // the records, by name key
  // Records written without notification, oldest first. An entry whose record
  // was replaced by AddParam is null and skipped by UpdateToObject.
  TVector<_VemStParam> m_changedParams;
  // One listener list per name key.
  THashtable<TVector<VemParamListener*>> m_listeners;

 private:
  class CalloutScope;
  struct Retired;

  // The steps shared by the typed setters and getters.
  int32_t WriteValue(const char* name, uint32_t type, void* value, uint32_t size, bool notify);
  int32_t ReadValue(const char* name, uint32_t type, void* out, uint32_t* length);
  // ReadValue's steps for a record with pfnBeforeGet or pfnAfterGet.
  int32_t ReadThroughCallbacks(int32_t key, _VemStParam* param, uint32_t type, void* out, uint32_t* length);
  void NotifyListeners(TVector<VemParamListener*>* list, const _VemStParam* param);
  // Free now, or once the outermost callout has returned.
  void ReleaseRecord(_VemStParam* param);
  void ReleaseListenerList(TVector<VemParamListener*>* list);
  // Makes room to retire that many more records and lists, so that a
  // release never fails half-way for want of memory.
  void ReserveRetirement(size_t params, size_t lists);
  void ReleaseRetired();

  // Calls into caller code (callbacks, listeners) in progress.
  int32_t m_calloutDepth;
  // Counts every release or replacement of a record and every creation or
  // release of a listener list, so that a call can tell whether a callback
  // changed the tables under it.
  uint32_t m_shapeVersion;
  // Records and listener lists released while a callout was in progress,
  // freed when the outermost one returns; null while there are none.
  Retired* m_retired;
};

// A default-constructed record for callers to fill in. The library never
// touches it.
extern "C" VEMMISC_API _VemStParam _g_tmp_param;

#endif  // VEMMISC_INCLUDE_VEMPARAMS_H_
