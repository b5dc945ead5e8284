// VemMisc containers: an integer-keyed chained hash table with its enumerator
// and typed form, the name hash GenerateID, and two growable vectors (unsigned
// 32-bit values, untyped pointers) with the typed TVector.
//
// None of these classes locks: each object is used by one thread at a time.
// Containers own their own storage, never what a stored pointer points to.
// Allocation failure reaches the caller as std::bad_alloc and leaves the
// object as it was before the call.
#ifndef VEMMISC_INCLUDE_VEMCONTAINERS_H_
#define VEMMISC_INCLUDE_VEMCONTAINERS_H_

#include "VemMiscDefs.h"

#include <cstdint>

// Marks an inline member that the library also exports out of line, for
// programs built against headers in which it was not inline. Neither an
// exported class (Windows) nor default visibility (elsewhere, where the
// library hides its inline functions) exports an inline member by itself.
#if defined(_WIN32)
#if defined(VEMMISC_BUILDING)
#define VEMMISC_INLINE_API __declspec(dllexport)
#else
#define VEMMISC_INLINE_API
#endif
#else
#define VEMMISC_INLINE_API __attribute__((visibility("default")))
#endif

// One entry of a CHashtable chain. Handed out as is by CHtEnumerator::NextEntry;
// callers may read it but must not relink or free it.
struct HashtableEntry {
  int32_t key;           // the key as given to Put
  void* value;           // never null
  HashtableEntry* next;  // next entry of the same bucket, null at the chain end
};

// Chained hash table from signed 32-bit keys to non-null untyped pointers.
// A key lives in bucket (key & 0x7FFFFFFF) % m_capacity, new entries go to the
// head of their chain, and the table grows to 2n + 1 buckets when a new key
// arrives while m_count >= (int)(m_capacity * m_loadFactor).
class VEMMISC_API CHashtable {
 public:
  // 151 buckets, load factor 0.75.
  CHashtable();
  // A bucket count below 1 is replaced by 151, and a load factor that is not
  // greater than 0 (NaN included) by 0.75.
  explicit CHashtable(int32_t capacity);
  // As above, with the load factor replaced the same way.
  CHashtable(int32_t capacity, float load_factor);
  // Copies hold the same entries in the same buckets, so they enumerate in
  // the same order; they share nothing with their source.
  CHashtable(const CHashtable& other);
  CHashtable& operator=(const CHashtable& other);
  // Frees every entry and the bucket array; never touches the values.
  virtual ~CHashtable();

  // Stores value under key. Returns the value the key held before when the
  // key was present (the size does not change), the new value when the key
  // was added, and null without any change when value is null.
  void* Put(int32_t key, void* value);
  // The key's value, or null when the key is absent. Inline, so that a
  // caller's loop of lookups keeps several of them in flight at once.
  VEMMISC_INLINE_API void* Get(int32_t key) const {
    for (const HashtableEntry* entry = m_table[BucketOf(key)]; entry != nullptr; entry = entry->next) {
      if (entry->key == key) return entry->value;
    }
    return nullptr;
  }
  // Whether the key is present.
  VEMMISC_INLINE_API bool ContainsKey(int32_t key) const { return Get(key) != nullptr; }
  // Whether some entry holds exactly this pointer (false for null).
  bool Contains(void* value) const;
  // Finds the first entry in enumeration order holding exactly this pointer
  // and writes its key to *key. False (and *key untouched) when there is none
  // or value is null.
  bool GetKey(void* value, int32_t* key) const;
  // Unlinks and frees the key's entry. Returns the value it held, or null when
  // the key was absent. The bucket array never shrinks.
  void* Remove(int32_t key);
  // Removes every entry; the bucket count reached so far stays.
  void Clear();
  // The number of entries.
  VEMMISC_INLINE_API int32_t Size() const { return m_count; }

 protected:
  // The bucket of key: (key & 0x7FFFFFFF) % m_capacity, as a plain
  // remainder. Callers compute it in their own code (Get is inline), so this
  // computation is part of the binary interface. It was chosen by
  // measurement over an exact remainder by multiplication with a reciprocal
  // stored beside the bucket array: see bench/RESULTS.md.
  int32_t BucketOf(int32_t key) const {
    return static_cast<int32_t>((static_cast<uint32_t>(key) & 0x7FFFFFFFu) % static_cast<uint32_t>(m_capacity));
  }

  // Grows the bucket array to 2n + 1 buckets, relinking every entry (old
  // buckets from the highest down, each chain from its head, each entry to
  // the head of its new chain). No entry is copied.
  void Rehash();

  HashtableEntry** m_table;  // m_capacity bucket heads
  int32_t m_count;           // number of entries
  int32_t m_capacity;        // number of buckets, at least 1
  float m_loadFactor;        // growth ratio, greater than 0

  friend class CHtEnumerator;
};

// Cursor over every entry of a CHashtable: buckets from the highest index down
// to 0, each chain from its head. It holds the table's bucket array as it was
// when set up, so while it is in use the table must not gain a new key, lose
// an entry other than the one handed out last, or be cleared. Copies continue
// independently from the same position. Its operations are inline, so that
// walking a table is a tight loop in the caller.
class VEMMISC_API CHtEnumerator {
 public:
  // Positioned before the first entry of table; a null table yields nothing.
  explicit CHtEnumerator(CHashtable* table) { Reset(table); }

  // Sets the enumerator up afresh on table (or on nothing, for null).
  void Reset(CHashtable* table) {
    m_table = table != nullptr ? table->m_table : nullptr;
    m_index = table != nullptr ? table->m_capacity : 0;
    m_current = nullptr;
  }

  // Whether another entry remains. Never skips an entry.
  bool HasMoreElements() {
    if (m_current != nullptr) return true;
    while (m_index > 0) {
      m_current = m_table[--m_index];
      if (m_current != nullptr) return true;
    }
    return false;
  }

  // The next entry itself, or null at the end. The cursor moves past the
  // entry before handing it out, so the caller may then remove it.
  HashtableEntry* NextEntry() {
    if (!HasMoreElements()) return nullptr;
    HashtableEntry* entry = m_current;
    m_current = entry->next;
    return entry;
  }

  // The next entry's value, or null once every entry has been handed out.
  void* NextElement() {
    HashtableEntry* entry = NextEntry();
    return entry != nullptr ? entry->value : nullptr;
  }

  // As NextElement, writing the entry's key to *key; at the end returns null
  // and leaves *key untouched.
  void* NextElement(int32_t* key) {
    HashtableEntry* entry = NextEntry();
    if (entry == nullptr) return nullptr;
    *key = entry->key;
    return entry->value;
  }

 protected:
  HashtableEntry** m_table;   // bucket array being walked, null when none
  int32_t m_index;            // bucket the scan has reached, counting down
  HashtableEntry* m_current;  // entry to hand out next, null: scan first
};

// A CHashtable whose values point to T. Adds typed forms of the value
// operations; it deletes no value, so owners delete their objects themselves
// before clearing or destroying the table.
template <typename T>
class THashtable : public CHashtable {
 public:
  // CHashtable's constructors.
  THashtable() = default;
  explicit THashtable(int32_t capacity) : CHashtable(capacity) {}
  THashtable(int32_t capacity, float load_factor) : CHashtable(capacity, load_factor) {}

  // CHashtable's value operations with T* values: the same results.
  T* Put(int32_t key, T* value) { return static_cast<T*>(CHashtable::Put(key, value)); }
  T* Get(int32_t key) const { return static_cast<T*>(CHashtable::Get(key)); }
  bool Contains(T* value) const { return CHashtable::Contains(value); }
  bool GetKey(T* value, int32_t* key) const { return CHashtable::GetKey(value, key); }
  T* Remove(int32_t key) { return static_cast<T*>(CHashtable::Remove(key)); }
};

// The name hash: h = h * 31 + u over the UTF-16 code units u of the text, in
// unsigned 32-bit arithmetic from 0, returned as a signed int. Null and the
// empty text give 0; "abc" gives 96354. Overloaded, hence C++ linkage.
VEMMISC_API int32_t GenerateID(const VemWChar* text);
// The hash of narrow text after conversion to UTF-16: from the ANSI code page
// on Windows, from UTF-8 elsewhere (malformed sequences count as U+FFFD, one
// per maximal subpart). 7-bit ASCII gives the same key as the wide form.
VEMMISC_API int32_t GenerateID(const char* text);

// Growable array of unsigned 32-bit values. Capacity 16 and growth factor 0.5
// by default; a full storage grows by (int)(capacity * grow_factor) slots, at
// least one. Removal closes the gap and leaves the vacated last slot as it was.
class VEMMISC_API UVector {
 public:
  UVector();
  // No storage until the first element arrives; capacity is the number of
  // slots of the first allocation.
  UVector(float grow_factor, int32_t capacity);
  // Copies duplicate the storage (every slot), sharing nothing.
  UVector(const UVector& other);
  UVector& operator=(const UVector& other);
  // Frees the storage.
  ~UVector();

  // Stores both settings. A vector that has storage keeps it: the growth
  // factor applies from its next growth, and the capacity (which must keep
  // counting the slots the storage has) is left as it is.
  void SetCapacity(int32_t capacity, float grow_factor);
  // Inline while the storage has room; growth happens out of line.
  void AddElement(uint32_t element) {
    if (m_array != nullptr && m_lastIndex < m_capacity - 1) {
      m_array[++m_lastIndex] = element;
    } else {
      GrowAndAdd(element);
    }
  }
  // Appends every element of source in order; appending a vector to itself
  // appends one copy of its elements.
  void AppendArray(const UVector* source);
  // Does nothing at all.
  void InsertElement(uint32_t element, int32_t index);
  // Makes the size exactly new_size (a negative size counts as 0). Slots newly
  // allocated or cut off are zero; others show what they last held.
  void Resize(int32_t new_size);
  // Shrinks the storage to the size. Returns the capacity afterwards.
  int32_t Adjust();
  // Removes the first element equal to element; nothing when there is none.
  void RemoveElement(uint32_t element);
  // Removes the element at index; nothing when index is outside the elements.
  void RemoveElement(int32_t index);
  // Index of the first element equal to element, or -1.
  int32_t isElement(uint32_t element) const;
  // The element at index, or 0xFFFFFFFF when index is outside 0..size-1.
  uint32_t GetElement(int32_t index) const;
  // Overwrites the element at index; does nothing outside 0..size-1.
  void SetElement(uint32_t element, int32_t index);
  // The storage (GetSize() elements, then spare slots), or null without one.
  uint32_t* GetArray();
  // The number of elements.
  int32_t GetSize();
  // Empties the vector, keeping storage, capacity and slot contents.
  void Reset();
  // Frees the storage and empties the vector; the next addition allocates
  // as many slots as the storage had.
  void Clear();

 protected:
  uint32_t* m_array;    // m_capacity slots, or null
  int32_t m_capacity;   // slots of the storage, or of the next allocation
  int32_t m_lastIndex;  // index of the last element, -1 when empty
  float m_growFactor;   // share of the capacity added by each growth

 private:
  // AddElement when the storage is missing or full.
  void GrowAndAdd(uint32_t element);
};

// Growable array of untyped pointers; the same algorithm as UVector. It never
// owns what its elements point to. Removal nulls the vacated last slot.
class VEMMISC_API OVector {
 public:
  // As UVector's constructors and copies.
  OVector();
  OVector(float grow_factor, int32_t capacity);
  OVector(const OVector& other);
  OVector& operator=(const OVector& other);
  // Frees the pointer array only.
  virtual ~OVector();

  // As UVector's operations, with pointers for elements.
  void SetCapacity(int32_t capacity, float grow_factor);
  void AddElement(void* element) {
    if (m_array != nullptr && m_lastIndex < m_capacity - 1) {
      m_array[++m_lastIndex] = element;
    } else {
      GrowAndAdd(element);
    }
  }
  void AppendArray(const OVector* source);
  void InsertElement(void* element, int32_t index);
  void Resize(int32_t new_size);
  int32_t Adjust();
  // By value: removes the first element equal to element.
  void RemoveElement(void* element);
  // By index: nothing when index is outside the elements.
  void RemoveElement(int32_t index);
  // Index of the first element equal to element, or -1.
  int32_t isElement(void* element) const;
  // The element at index, or null when index is outside 0..size-1.
  void* GetElement(int32_t index) const;
  // As UVector's.
  void SetElement(void* element, int32_t index);
  void** GetArray();
  int32_t GetSize() const;
  void Reset();
  void Clear();

 protected:
  void** m_array;       // m_capacity slots, or null
  int32_t m_capacity;   // slots of the storage, or of the next allocation
  int32_t m_lastIndex;  // index of the last element, -1 when empty
  float m_growFactor;   // share of the capacity added by each growth

 private:
  void GrowAndAdd(void* element);
};

// An OVector whose elements point to T, with typed forms of the element
// operations. Deletes none of the objects.
template <typename T>
class TVector : public OVector {
 public:
  // OVector's constructors.
  TVector() = default;
  TVector(float grow_factor, int32_t capacity) : OVector(grow_factor, capacity) {}

  // OVector's element operations with T* elements: the same results.
  void AddElement(T* element) { OVector::AddElement(element); }
  void InsertElement(T* element, int32_t index) { OVector::InsertElement(element, index); }
  void RemoveElement(T* element) { OVector::RemoveElement(element); }
  void RemoveElement(int32_t index) { OVector::RemoveElement(index); }
  int32_t isElement(T* element) const { return OVector::isElement(element); }
  T* GetElement(int32_t index) const { return static_cast<T*>(OVector::GetElement(index)); }
  void SetElement(T* element, int32_t index) { OVector::SetElement(element, index); }
};

#endif  // VEMMISC_INCLUDE_VEMCONTAINERS_H_
