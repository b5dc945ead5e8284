// Shared helpers of the parameter storage tests: record builders, callbacks
// and listeners that log what they receive, and a storage subclass that
// exposes the protected members.
#ifndef VEMMISC_TESTS_PARAMS_PARAM_FIXTURES_H_
#define VEMMISC_TESTS_PARAMS_PARAM_FIXTURES_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "VemParams.h"

namespace paramtest {

_VemStParam IntParam(const char* name, int64_t initial,
                     int64_t min = INT64_MIN, int64_t max = INT64_MAX);
_VemStParam BoolParam(const char* name, bool initial);
_VemStParam FloatParam(const char* name, double initial, double min = -1e300,
                       double max = 1e300);
_VemStParam StringParam(const char* name, const char* initial);
_VemStParam ArrayParam(const char* name, const void* initial, uint32_t size);

// The record's value as text: 12, true, 0.5, "text", [01 02].
std::string Describe(const _VemStParam& param);
// A raw value of the record's type as text, read from size bytes at value.
std::string DescribeRaw(const _VemStParam& param, const void* value,
                        uint32_t size);

// What the logging callbacks do. One instance is active per test (the
// callbacks are plain functions and have no context of their own).
struct CallbackScript {
  std::vector<std::string> log;
  int32_t beforeSetResult = 0;
  int32_t afterSetResult = 0;
  int32_t beforeGetResult = 0;
  int32_t afterGetResult = 0;
  std::function<void(_VemStParam*, void* value, uint32_t size)> onBeforeSet;
  std::function<void(_VemStParam*)> onAfterSet;
  std::function<void(_VemStParam*)> onBeforeGet;
  std::function<void(_VemStParam*)> onAfterGet;

  CallbackScript();
  ~CallbackScript();
  static CallbackScript* active;
};

// Gives the record all four logging callbacks.
_VemStParam& WithCallbacks(_VemStParam& param);

// Logs "listener <tag> <record>" and runs onChange, if any.
class LoggingListener : public VemParamListener {
 public:
  LoggingListener(std::string tag, std::vector<std::string>* log)
      : m_tag(std::move(tag)), m_log(log) {}
  int32_t OnParamChanged(_VemStParam* param) override;
  std::function<void(_VemStParam*)> onChange;

 private:
  std::string m_tag;
  std::vector<std::string>* m_log;
};

// Exposes the protected parts of a storage.
class OpenStorage : public VemParamStorage {
 public:
  explicit OpenStorage(uint32_t id) : VemParamStorage(id) {}
  using VemParamStorage::SetParam;
  // The queue's non-null entries by name, oldest first.
  std::vector<std::string> QueuedNames() const;
  _VemStParam* Stored(const char* name) { return m_params.Get(GenerateID(name)); }
};

}  // namespace paramtest

#endif  // VEMMISC_TESTS_PARAMS_PARAM_FIXTURES_H_
