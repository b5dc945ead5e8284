#include "params/param_record.h"

#include <cstring>
#include <memory>

namespace vem {
namespace {

// A bool that a caller filled in may hold any byte; reading it as bool would
// be undefined, so it is read as a byte and stored back as 0 or 1.
void NormalizeFlag(bool* flag) {
  unsigned char byte;
  std::memcpy(&byte, flag, 1);
  *flag = byte != 0;
}

// Copies count bytes into a new buffer; null for no bytes. Without source
// bytes the buffer is zero-filled.
char* NewBuffer(const void* source, uint32_t count) {
  if (count == 0) return nullptr;
  char* buffer = new char[count];
  if (source != nullptr) {
    std::memcpy(buffer, source, count);
  } else {
    std::memset(buffer, 0, count);
  }
  return buffer;
}

// Makes buffer hold count bytes from source: reused when it already has
// room for them, otherwise replaced. The new buffer is filled before the old
// one is freed, so source may point into the old one.
void Overwrite(char** buffer, uint32_t room, const void* source, uint32_t count) {
  if (count <= room) {
    if (count > 0) std::memmove(*buffer, source, count);
    return;
  }
  char* grown = NewBuffer(source, count);
  delete[] * buffer;
  *buffer = grown;
}

}  // namespace

bool IsKnownParamType(uint32_t type) { return type <= PARAM_TYPE_ARRAY; }

bool HasTerminatedName(const _VemStParam& param) {
  return std::memchr(param.name, '\0', sizeof(param.name)) != nullptr;
}

void CompleteRecord(_VemStParam* param) {
  switch (param->type) {
    case PARAM_TYPE_INT:
      NormalizeFlag(&param->intVal.minExclusive);
      NormalizeFlag(&param->intVal.maxExclusive);
      param->intVal.current = param->intVal.initial;
      break;
    case PARAM_TYPE_BOOL:
      NormalizeFlag(&param->boolVal.initial);
      param->boolVal.current = param->boolVal.initial;
      break;
    case PARAM_TYPE_FLOAT:
      NormalizeFlag(&param->floatVal.minExclusive);
      NormalizeFlag(&param->floatVal.maxExclusive);
      param->floatVal.current = param->floatVal.initial;
      break;
    case PARAM_TYPE_STRING: {
      if (param->strVal.initial == nullptr) param->strVal.initial = "";
      const size_t size = std::strlen(param->strVal.initial) + 1;
      char* copy = new char[size];
      std::memcpy(copy, param->strVal.initial, size);
      param->strVal.current = copy;
      break;
    }
    case PARAM_TYPE_ARRAY:
      param->arrVal.size = param->arrVal.initialSize;
      param->arrVal.current = NewBuffer(param->arrVal.initial, param->arrVal.size);
      break;
  }
}

void FreeValueBuffer(_VemStParam* param) {
  if (param->type == PARAM_TYPE_STRING) {
    delete[] param->strVal.current;
    param->strVal.current = nullptr;
  } else if (param->type == PARAM_TYPE_ARRAY) {
    delete[] static_cast<char*>(param->arrVal.current);
    param->arrVal.current = nullptr;
  }
}

void StoreBufferValue(_VemStParam* param, const void* value, uint32_t size) {
  if (param->type == PARAM_TYPE_STRING) {
    // The buffer holds at least the current text and its NUL.
    const size_t room = std::strlen(param->strVal.current) + 1;
    Overwrite(&param->strVal.current, static_cast<uint32_t>(room), value, size);
  } else if (param->type == PARAM_TYPE_ARRAY) {
    char* buffer = static_cast<char*>(param->arrVal.current);
    Overwrite(&buffer, param->arrVal.size, value, size);
    param->arrVal.current = buffer;
    param->arrVal.size = size;
  }
}

bool RawValueFits(const _VemStParam& param, const void* value, uint32_t size) {
  switch (param.type) {
    case PARAM_TYPE_INT:
    case PARAM_TYPE_FLOAT: return size == 8;
    case PARAM_TYPE_BOOL: return size == 1;
    case PARAM_TYPE_STRING: return size > 0 && value != nullptr && static_cast<const char*>(value)[size - 1] == '\0';
    case PARAM_TYPE_ARRAY: return true;
  }
  return false;
}

void RecordDeleter::operator()(_VemStParam* param) const {
  FreeValueBuffer(param);
  delete param;
}

}  // namespace vem
