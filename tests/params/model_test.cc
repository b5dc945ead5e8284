// Random sequences of storage operations checked step by step against a
// small model: results, values delivered, callback and listener calls, the
// queue of deferred writes, and every record the storage holds.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "VemParams.h"
#include "tests/params/param_fixtures.h"

using namespace paramtest;
using Log = std::vector<std::string>;

namespace {

Log* g_log = nullptr;

// Every record of the run vetoes the integer 13 and logs its applications.
int32_t VetoThirteen(uint32_t, _VemStParam* param, void* value, uint32_t) {
  if (param->type != PARAM_TYPE_INT) return 0;
  int64_t v;
  std::memcpy(&v, value, sizeof(v));
  return v == 13 ? 13 : 0;
}

int32_t LogApply(uint32_t, _VemStParam* param) {
  g_log->push_back("afterSet " + Describe(*param));
  return param->type == PARAM_TYPE_INT && param->intVal.current < 0 ? -1 : 0;
}

struct ModelParam {
  std::string name;
  uint32_t type = 0;
  uint32_t access = 3;
  bool applies = false;  // has the logging pfnAfterSet
  int64_t i = 0, imin = 0, imax = 0;
  double f = 0, fmin = 0, fmax = 0;
  bool minEx = false, maxEx = false;
  bool b = false;
  std::string s;
  std::vector<unsigned char> a;
  int seq = 0;  // when its key entered the table
};

// Keys computed here the plain way, for 7-bit names.
int32_t Key(const std::string& name) {
  uint32_t h = 0;
  for (char c : name) h = h * 31 + static_cast<unsigned char>(c);
  return static_cast<int32_t>(h);
}

// Entries of a table of 151 buckets in enumeration order: highest bucket
// first, within a bucket the newest entry first.
template <typename Map, typename SeqOf>
std::vector<int32_t> TableOrder(const Map& table, SeqOf seqOf) {
  std::vector<int32_t> keys;
  for (const auto& entry : table) keys.push_back(entry.first);
  std::sort(keys.begin(), keys.end(), [&](int32_t x, int32_t y) {
    const int32_t bx = (x & 0x7FFFFFFF) % 151, by = (y & 0x7FFFFFFF) % 151;
    if (bx != by) return bx > by;
    return seqOf(x) > seqOf(y);
  });
  return keys;
}

std::string DescribeModel(const ModelParam& p) {
  _VemStParam record;
  std::strcpy(record.name, p.name.c_str());
  record.type = p.type;
  std::string text = p.s;
  switch (p.type) {
    case PARAM_TYPE_INT: record.intVal.current = p.i; break;
    case PARAM_TYPE_BOOL: record.boolVal.current = p.b; break;
    case PARAM_TYPE_FLOAT: record.floatVal.current = p.f; break;
    case PARAM_TYPE_STRING: record.strVal.current = &text[0]; break;
    default:
      record.arrVal.current = const_cast<unsigned char*>(p.a.data());
      record.arrVal.size = static_cast<uint32_t>(p.a.size());
  }
  return Describe(record);
}

class ModelRun {
 public:
  explicit ModelRun(uint32_t seed) : m_rng(seed), m_storage(11) {
    g_log = &m_log;
    for (int i = 0; i < 3; ++i) {
      m_listeners.emplace_back(new LoggingListener("L" + std::to_string(i), &m_log));
    }
  }
  ~ModelRun() { g_log = nullptr; }

  void Step(int step) {
    m_log.clear();
    m_expectedLog.clear();
    const uint32_t op = Pick(100);
    const std::string name = kNames[Pick(6)];
    SCOPED_TRACE("step " + std::to_string(step) + " op " + std::to_string(op) +
                 " name " + name);
    if (op < 12) AddParam(name);
    else if (op < 40) Write(name);
    else if (op < 60) Read(name);
    else if (op < 70) AddListener(name);
    else if (op < 76) RemoveListener(name);
    else if (op < 86) Flush();
    else if (op < 94) Link(name);
    else if (op < 98) ReadLinked(name);
    else Clear();
    EXPECT_EQ(m_log, m_expectedLog);
    CompareState();
  }

 private:
  static constexpr const char* kNames[6] = {"Gain", "Pan", "Aa", "BB", "Title", "Mute"};

  uint32_t Pick(uint32_t n) { return m_rng() % n; }
  ModelParam* Find(const std::string& name) {
    auto it = m_params.find(Key(name));
    return it == m_params.end() ? nullptr : &it->second;
  }
  std::string RandomText() {
    std::string text(Pick(40), 'a');
    for (char& c : text) c = static_cast<char>('a' + Pick(26));
    return text;
  }
  std::vector<unsigned char> RandomBytes() {
    std::vector<unsigned char> bytes(Pick(20));
    for (unsigned char& byte : bytes) byte = static_cast<unsigned char>(Pick(256));
    return bytes;
  }
  double RandomDouble() {
    const double choices[] = {-2.5, -1, 0, 0.5, 1, 3.25, NAN};
    return choices[Pick(7)];
  }

  void AddParam(const std::string& name) {
    ModelParam p;
    p.name = name;
    p.type = Pick(5);
    p.access = Pick(4);
    p.applies = Pick(4) != 0;
    p.minEx = Pick(2);
    p.maxEx = Pick(2);
    _VemStParam record;
    std::strcpy(record.name, name.c_str());
    record.type = p.type;
    record.access = p.access;
    record.pfnBeforeSet = VetoThirteen;
    record.pfnAfterSet = p.applies ? LogApply : nullptr;
    const std::string text = RandomText();
    const std::vector<unsigned char> bytes = RandomBytes();
    switch (p.type) {
      case PARAM_TYPE_INT:
        p.i = record.intVal.initial = static_cast<int64_t>(Pick(21)) - 10;
        p.imin = record.intVal.min = -static_cast<int64_t>(Pick(12));
        p.imax = record.intVal.max = static_cast<int64_t>(Pick(12));
        record.intVal.minExclusive = p.minEx;
        record.intVal.maxExclusive = p.maxEx;
        break;
      case PARAM_TYPE_BOOL:
        p.b = record.boolVal.initial = Pick(2);
        break;
      case PARAM_TYPE_FLOAT:
        p.f = record.floatVal.initial = RandomDouble();
        p.fmin = record.floatVal.min = -static_cast<double>(Pick(3));
        p.fmax = record.floatVal.max = Pick(5) ? static_cast<double>(Pick(4)) : NAN;
        record.floatVal.minExclusive = p.minEx;
        record.floatVal.maxExclusive = p.maxEx;
        break;
      case PARAM_TYPE_STRING:
        p.s = text;
        record.strVal.initial = text.c_str();
        break;
      default:
        p.a = bytes;
        record.arrVal.initial = bytes.data();
        record.arrVal.initialSize = static_cast<uint32_t>(bytes.size());
    }
    ASSERT_EQ(m_storage.AddParam(&record), 0);
    const int32_t key = Key(name);
    auto it = m_params.find(key);
    if (it != m_params.end()) {
      p.seq = it->second.seq;
      m_queue.erase(std::remove(m_queue.begin(), m_queue.end(), key), m_queue.end());
    } else {
      p.seq = ++m_seq;
    }
    m_params[key] = p;
  }

  // Result the storage must give for a write of the model's new value.
  int32_t ExpectWrite(ModelParam* p, uint32_t type, bool notify, bool inRange,
                      bool vetoed) {
    if (p == nullptr) return PARAM_ERR_NOT_FOUND;
    if (p->type != type) return PARAM_ERR_TYPE;
    if (vetoed) return 13;
    if ((p->access & 2) == 0) return PARAM_ERR_ACCESS;
    if (!inRange) return PARAM_ERR_RANGE;
    return notify ? 1 : 0;  // 1: store and apply now (resolved by the caller)
  }

  void Applied(ModelParam* p, bool notify, int32_t* expected) {
    const int32_t key = Key(p->name);
    if (!notify) {
      m_queue.push_back(key);
      *expected = 0;
      return;
    }
    *expected = 0;
    if (!p->applies) return;
    m_expectedLog.push_back("afterSet " + DescribeModel(*p));
    *expected = p->type == PARAM_TYPE_INT && p->i < 0 ? -1 : 0;
    for (int listener : m_lists[key].members) {
      m_expectedLog.push_back("listener L" + std::to_string(listener) + " " +
                              DescribeModel(*p));
    }
  }

  void Write(const std::string& name) {
    ModelParam* p = Find(name);
    const bool notify = Pick(2);
    const uint32_t type = p && Pick(8) ? p->type : Pick(5);
    int32_t result = 0, expected = 0;
    switch (type) {
      case PARAM_TYPE_INT: {
        const int64_t v = static_cast<int64_t>(Pick(31)) - 15;
        result = m_storage.SetParamInt(name.c_str(), v, notify);
        const bool in = p && (p->minEx ? v > p->imin : v >= p->imin) &&
                        (p->maxEx ? v < p->imax : v <= p->imax);
        expected = ExpectWrite(p, type, notify, in, v == 13);
        if (expected == 0 || expected == 1) {
          p->i = v;
          Applied(p, notify, &expected);
        }
        break;
      }
      case PARAM_TYPE_BOOL: {
        const bool v = Pick(2);
        result = m_storage.SetParamBool(name.c_str(), v, notify);
        expected = ExpectWrite(p, type, notify, true, false);
        if (expected == 0 || expected == 1) {
          p->b = v;
          Applied(p, notify, &expected);
        }
        break;
      }
      case PARAM_TYPE_FLOAT: {
        const double v = RandomDouble();
        result = m_storage.SetParamFloat(name.c_str(), v, notify);
        bool in = false;
        if (p) {
          const bool low = std::isnan(v) || std::isnan(p->fmin) ||
                           (p->minEx ? v > p->fmin : v >= p->fmin);
          const bool high = std::isnan(v) || std::isnan(p->fmax) ||
                            (p->maxEx ? v < p->fmax : v <= p->fmax);
          in = low && high;
        }
        expected = ExpectWrite(p, type, notify, in, false);
        if (expected == 0 || expected == 1) {
          p->f = v;
          Applied(p, notify, &expected);
        }
        break;
      }
      case PARAM_TYPE_STRING: {
        const std::string v = RandomText();
        result = m_storage.SetParamString(name.c_str(), v.c_str(), notify);
        expected = ExpectWrite(p, type, notify, true, false);
        if (expected == 0 || expected == 1) {
          p->s = v;
          Applied(p, notify, &expected);
        }
        break;
      }
      default: {
        const std::vector<unsigned char> v = RandomBytes();
        result = m_storage.SetParamArray(name.c_str(), v.data(),
                                         static_cast<uint32_t>(v.size()), notify);
        expected = ExpectWrite(p, type, notify, true, false);
        if (expected == 0 || expected == 1) {
          p->a = v;
          Applied(p, notify, &expected);
        }
      }
    }
    EXPECT_EQ(result, expected);
  }

  void Read(const std::string& name) {
    ModelParam* p = Find(name);
    const uint32_t type = p && Pick(8) ? p->type : Pick(5);
    int32_t expected = PARAM_ERR_NOT_FOUND;
    if (p) expected = p->type != type ? PARAM_ERR_TYPE
                      : (p->access & 1) == 0 ? PARAM_ERR_ACCESS : 0;
    const char* n = name.c_str();
    switch (type) {
      case PARAM_TYPE_INT: {
        int64_t v = 777;
        EXPECT_EQ(m_storage.GetParamInt(n, &v), expected);
        EXPECT_EQ(v, expected == 0 ? p->i : 777);
        break;
      }
      case PARAM_TYPE_BOOL: {
        bool v = true;
        EXPECT_EQ(m_storage.GetParamBool(n, &v), expected);
        EXPECT_EQ(v, expected == 0 ? p->b : true);
        break;
      }
      case PARAM_TYPE_FLOAT: {
        double v = 777;
        EXPECT_EQ(m_storage.GetParamFloat(n, &v), expected);
        if (expected == 0 && std::isnan(p->f)) EXPECT_TRUE(std::isnan(v));
        else EXPECT_EQ(v, expected == 0 ? p->f : 777);
        break;
      }
      default: {
        const bool text = type == PARAM_TYPE_STRING;
        std::vector<unsigned char> buffer(48, 0xCC);
        const uint32_t given = Pick(45);
        uint32_t length = given;
        const int32_t result =
            text ? m_storage.GetParamString(n, reinterpret_cast<char*>(buffer.data()), &length)
                 : m_storage.GetParamArray(n, buffer.data(), &length);
        std::vector<unsigned char> value;
        if (p && p->type == type) {
          value = text ? std::vector<unsigned char>(p->s.c_str(), p->s.c_str() + p->s.size() + 1)
                       : p->a;
        }
        if (expected == 0 && given < value.size()) expected = PARAM_ERR_BUFFER;
        EXPECT_EQ(result, expected);
        if (expected == 0) {
          EXPECT_EQ(length, value.size());
          EXPECT_TRUE(std::equal(value.begin(), value.end(), buffer.begin()));
          EXPECT_EQ(buffer[value.size()], 0xCC);
        } else {
          EXPECT_EQ(length, given);
          EXPECT_EQ(buffer, std::vector<unsigned char>(48, 0xCC));
        }
      }
    }
  }

  void AddListener(const std::string& name) {
    const int listener = static_cast<int>(Pick(3));
    const int32_t result =
        m_storage.AddParamChangedListener(name.c_str(), m_listeners[listener].get());
    if (!Find(name)) {
      EXPECT_EQ(result, PARAM_ERR_NOT_FOUND);
      return;
    }
    EXPECT_EQ(result, 0);
    ListModel& list = m_lists[Key(name)];
    if (list.seq == 0) list.seq = ++m_seq;
    list.members.push_back(listener);
  }

  void RemoveListener(const std::string& name) {
    const int listener = static_cast<int>(Pick(3));
    const int32_t result =
        m_storage.RemoveParamChangedListener(name.c_str(), m_listeners[listener].get());
    auto it = m_lists.find(Key(name));
    int32_t expected = PARAM_ERR_NOT_FOUND;
    if (it != m_lists.end()) {
      auto& members = it->second.members;
      auto found = std::find(members.begin(), members.end(), listener);
      if (found != members.end()) {
        members.erase(found);
        expected = 0;
      }
    }
    EXPECT_EQ(result, expected);
  }

  void Flush() {
    int32_t expected = 0;
    const std::vector<int32_t> lists =
        TableOrder(m_lists, [&](int32_t key) { return m_lists[key].seq; });
    for (int32_t key : m_queue) {
      const ModelParam& p = m_params[key];
      if (!p.applies) continue;
      m_expectedLog.push_back("afterSet " + DescribeModel(p));
      if (p.type == PARAM_TYPE_INT && p.i < 0) expected = -1;
      for (int32_t listKey : lists) {
        for (int listener : m_lists[listKey].members) {
          m_expectedLog.push_back("listener L" + std::to_string(listener) + " " +
                                  DescribeModel(p));
        }
      }
    }
    m_queue.clear();
    EXPECT_EQ(m_storage.UpdateToObject(), expected);
  }

  void Link(const std::string& name) {
    const std::vector<unsigned char> block = RandomBytes();
    const int32_t result = m_storage.LinkParamData(
        name.c_str(), block.data(), static_cast<uint32_t>(block.size()));
    EXPECT_EQ(result, Find(name) ? 0 : PARAM_ERR_NOT_FOUND);
    if (result == 0) m_linked[Key(name)] = block;
  }

  void ReadLinked(const std::string& name) {
    std::vector<unsigned char> buffer(24, 0xCC);
    const uint32_t given = Pick(24);
    const int32_t result = m_storage.GetLinkedData(name.c_str(), buffer.data(), given);
    auto it = m_linked.find(Key(name));
    int32_t expected = 0;
    if (!Find(name) || it == m_linked.end()) expected = PARAM_ERR_NOT_FOUND;
    else if (given < it->second.size()) expected = PARAM_ERR_BUFFER;
    EXPECT_EQ(result, expected);
    if (expected == 0) {
      EXPECT_TRUE(std::equal(it->second.begin(), it->second.end(), buffer.begin()));
    } else {
      EXPECT_EQ(buffer, std::vector<unsigned char>(24, 0xCC));
    }
  }

  void Clear() {
    m_storage.ClearStorage();
    m_params.clear();
    m_lists.clear();
    m_linked.clear();
    m_queue.clear();
  }

  void CompareState() {
    std::vector<std::string> queued;
    for (int32_t key : m_queue) queued.push_back(m_params[key].name);
    EXPECT_EQ(m_storage.QueuedNames(), queued);

    uint32_t count = 0;
    ASSERT_EQ(m_storage.GetParametersList(nullptr, &count), 0);
    ASSERT_EQ(count, m_params.size());
    std::vector<_VemStParam> records(count);
    ASSERT_EQ(m_storage.GetParametersList(records.data(), &count), 0);
    const std::vector<int32_t> order =
        TableOrder(m_params, [&](int32_t key) { return m_params[key].seq; });
    for (size_t i = 0; i < order.size(); ++i) {
      const ModelParam& p = m_params[order[i]];
      EXPECT_EQ(Describe(records[i]), DescribeModel(p));
      EXPECT_EQ(records[i].access, p.access);
    }
  }

  struct ListModel {
    int seq = 0;
    std::vector<int> members;
  };

  std::mt19937 m_rng;
  OpenStorage m_storage;
  std::vector<std::unique_ptr<LoggingListener>> m_listeners;
  Log m_log, m_expectedLog;
  std::map<int32_t, ModelParam> m_params;
  std::map<int32_t, ListModel> m_lists;
  std::map<int32_t, std::vector<unsigned char>> m_linked;
  std::vector<int32_t> m_queue;
  int m_seq = 0;
};

class ModelCheck : public ::testing::TestWithParam<uint32_t> {};

TEST_P(ModelCheck, StorageFollowsTheModel) {
  ModelRun run(GetParam());
  for (int step = 0; step < 3000; ++step) {
    run.Step(step);
    if (HasFailure()) break;
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, ModelCheck, ::testing::Values(1u, 2024u, 99991u));

}  // namespace
