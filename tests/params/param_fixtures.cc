#include "tests/params/param_fixtures.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace paramtest {

namespace {

_VemStParam Named(const char* name, uint32_t type) {
  _VemStParam param;
  // The constructor leaves the name's tail as it is; tests compare records
  // byte for byte, so the tail must be defined.
  std::memset(param.name, 0, sizeof(param.name));
  std::snprintf(param.name, sizeof(param.name), "%s", name);
  param.type = type;
  return param;
}

std::string Hex(const void* bytes, uint32_t size) {
  std::string text = "[";
  for (uint32_t i = 0; i < size; ++i) {
    char digits[4];
    std::snprintf(digits, sizeof(digits), i ? " %02x" : "%02x",
                  static_cast<const unsigned char*>(bytes)[i]);
    text += digits;
  }
  return text + "]";
}

}  // namespace

_VemStParam IntParam(const char* name, int64_t initial, int64_t min, int64_t max) {
  _VemStParam param = Named(name, PARAM_TYPE_INT);
  param.intVal.initial = initial;
  param.intVal.min = min;
  param.intVal.max = max;
  return param;
}

_VemStParam BoolParam(const char* name, bool initial) {
  _VemStParam param = Named(name, PARAM_TYPE_BOOL);
  param.boolVal.initial = initial;
  return param;
}

_VemStParam FloatParam(const char* name, double initial, double min, double max) {
  _VemStParam param = Named(name, PARAM_TYPE_FLOAT);
  param.floatVal.initial = initial;
  param.floatVal.min = min;
  param.floatVal.max = max;
  return param;
}

_VemStParam StringParam(const char* name, const char* initial) {
  _VemStParam param = Named(name, PARAM_TYPE_STRING);
  param.strVal.initial = initial;
  return param;
}

_VemStParam ArrayParam(const char* name, const void* initial, uint32_t size) {
  _VemStParam param = Named(name, PARAM_TYPE_ARRAY);
  param.arrVal.initial = initial;
  param.arrVal.initialSize = size;
  return param;
}

std::string DescribeRaw(const _VemStParam& param, const void* value,
                        uint32_t size) {
  char text[64];
  switch (param.type) {
    case PARAM_TYPE_INT: {
      int64_t v;
      std::memcpy(&v, value, sizeof(v));
      std::snprintf(text, sizeof(text), "%" PRId64, v);
      return text;
    }
    case PARAM_TYPE_BOOL:
      return *static_cast<const unsigned char*>(value) ? "true" : "false";
    case PARAM_TYPE_FLOAT: {
      double v;
      std::memcpy(&v, value, sizeof(v));
      std::snprintf(text, sizeof(text), "%g", v);
      return text;
    }
    case PARAM_TYPE_STRING:
      return "\"" + std::string(static_cast<const char*>(value)) + "\"";
    default:
      return Hex(value, size);
  }
}

std::string Describe(const _VemStParam& param) {
  std::string value;
  switch (param.type) {
    case PARAM_TYPE_STRING:
      value = DescribeRaw(param, param.strVal.current, 0);
      break;
    case PARAM_TYPE_ARRAY:
      value = Hex(param.arrVal.current, param.arrVal.size);
      break;
    default:
      value = DescribeRaw(param, &param.intVal.current, 8);
  }
  return std::string(param.name) + "=" + value;
}

CallbackScript* CallbackScript::active = nullptr;

CallbackScript::CallbackScript() { active = this; }
CallbackScript::~CallbackScript() { active = nullptr; }

namespace {

int32_t BeforeGet(uint32_t id, _VemStParam* param) {
  CallbackScript* s = CallbackScript::active;
  s->log.push_back("beforeGet " + std::to_string(id) + " " + Describe(*param));
  if (s->onBeforeGet) s->onBeforeGet(param);
  return s->beforeGetResult;
}

int32_t AfterGet(uint32_t id, _VemStParam* param, void* old, uint32_t size) {
  CallbackScript* s = CallbackScript::active;
  s->log.push_back("afterGet " + std::to_string(id) + " " + Describe(*param) +
                   " old " + DescribeRaw(*param, old, size) + " size " +
                   std::to_string(size));
  if (s->onAfterGet) s->onAfterGet(param);
  return s->afterGetResult;
}

int32_t BeforeSet(uint32_t id, _VemStParam* param, void* value, uint32_t size) {
  CallbackScript* s = CallbackScript::active;
  s->log.push_back("beforeSet " + std::to_string(id) + " " + Describe(*param) +
                   " new " + DescribeRaw(*param, value, size) + " size " +
                   std::to_string(size));
  if (s->onBeforeSet) s->onBeforeSet(param, value, size);
  return s->beforeSetResult;
}

int32_t AfterSet(uint32_t id, _VemStParam* param) {
  CallbackScript* s = CallbackScript::active;
  s->log.push_back("afterSet " + std::to_string(id) + " " + Describe(*param));
  if (s->onAfterSet) s->onAfterSet(param);
  return s->afterSetResult;
}

}  // namespace

_VemStParam& WithCallbacks(_VemStParam& param) {
  param.pfnBeforeGet = BeforeGet;
  param.pfnAfterGet = AfterGet;
  param.pfnBeforeSet = BeforeSet;
  param.pfnAfterSet = AfterSet;
  return param;
}

int32_t LoggingListener::OnParamChanged(_VemStParam* param) {
  m_log->push_back("listener " + m_tag + " " + Describe(*param));
  if (onChange) onChange(param);
  return 0;
}

std::vector<std::string> OpenStorage::QueuedNames() const {
  std::vector<std::string> names;
  for (int32_t i = 0; i < m_changedParams.GetSize(); ++i) {
    if (const _VemStParam* param = m_changedParams.GetElement(i)) {
      names.push_back(param->name);
    }
  }
  return names;
}

}  // namespace paramtest
