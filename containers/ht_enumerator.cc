#include "VemContainers.h"

CHtEnumerator::CHtEnumerator(CHashtable* table) { Reset(table); }

void CHtEnumerator::Reset(CHashtable* table) {
  m_table = table != nullptr ? table->m_table : nullptr;
  m_index = table != nullptr ? table->m_capacity : 0;
  m_current = nullptr;
}

bool CHtEnumerator::HasMoreElements() {
  if (m_current != nullptr) return true;
  while (m_index > 0) {
    --m_index;
    m_current = m_table[m_index];
    if (m_current != nullptr) return true;
  }
  return false;
}

// Moving past the entry before handing it out is what lets callers remove
// the entry they were just given.
HashtableEntry* CHtEnumerator::NextEntry() {
  if (!HasMoreElements()) return nullptr;
  HashtableEntry* entry = m_current;
  m_current = entry->next;
  return entry;
}

void* CHtEnumerator::NextElement() {
  HashtableEntry* entry = NextEntry();
  return entry != nullptr ? entry->value : nullptr;
}

void* CHtEnumerator::NextElement(int32_t* key) {
  HashtableEntry* entry = NextEntry();
  if (entry == nullptr) return nullptr;
  *key = entry->key;
  return entry->value;
}
