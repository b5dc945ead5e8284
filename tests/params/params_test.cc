// The parameter storage against its model under seeded random operations,
// and what the model leaves out: listeners that replace the record being
// announced, and the protected raw write.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "VemParams.h"
#include "tests/support/model_runs.h"

namespace {
long g_live_blocks = 0;
}  // namespace

#if !defined(_WIN32)
// Every allocation of this program carries its size in front and a guard byte
// behind. Freeing checks the guard and scribbles over the block, so that a
// write past a buffer, a read of a released record and a leak show in a plain
// build too. (On Windows the library allocates from its own runtime.)
void* operator new(std::size_t size) {
  auto* block = static_cast<unsigned char*>(std::malloc(size + 17));
  if (block == nullptr) throw std::bad_alloc();
  std::memcpy(block, &size, sizeof size);
  block[16 + size] = 0xA5;
  ++g_live_blocks;
  return block + 16;
}
namespace {
void ReleaseGuarded(void* address) {
  if (address == nullptr) return;
  auto* block = static_cast<unsigned char*>(address) - 16;
  std::size_t size;
  std::memcpy(&size, block, sizeof size);
  if (block[16 + size] != 0xA5) std::abort();  // written past its end
  std::memset(block, 0xDD, size + 17);
  --g_live_blocks;
  std::free(block);
}
}  // namespace
// Both forms release through one function: were one to call the other, GCC
// would inline new and delete into a test and report malloc's block freed by
// operator delete.
void operator delete(void* address) noexcept { ReleaseGuarded(address); }
void operator delete(void* address, std::size_t) noexcept { ReleaseGuarded(address); }
#endif

namespace vem_test {
namespace {

TEST(ParamsModel, StorageFollowsTheModelAndFreesWhatItOwns) {
  VemParamStorage placeholder(77);
  VemParamStorage::AddStorage(77, &placeholder);  // the registry's one entry is made before counting
  const long live = g_live_blocks;
  RunSeeds(RunParams, 600, 1200);
  EXPECT_EQ(g_live_blocks, live);
}

struct Storage : VemParamStorage {
  using VemParamStorage::SetParam;
  Storage() : VemParamStorage(5) {}
  _VemStParam* Add(const char* name, uint32_t type, VemAfterSetFn afterSet = nullptr) {
    _VemStParam p;
    std::strcpy(p.name, name);
    p.type = type;
    p.intVal.max = 100;
    p.pfnAfterSet = afterSet;
    p.pfnBeforeGet = [](uint32_t, _VemStParam*) { return 0; };
    EXPECT_EQ(AddParam(&p), 0);
    return m_params.Get(GenerateID(name));
  }
};

// The first listener replaces Gain, queues a write of 77 to its successor and
// reads Pan through its callback: the replaced record must stay whole for
// the listener after it, and its own queued write is never flushed.
struct Replacer : VemParamListener {
  Storage* storage = nullptr;  // set for the first listener only
  std::vector<std::string>* heard = nullptr;
  int32_t OnParamChanged(_VemStParam* copy) override {
    heard->push_back(std::string(copy->name) + "=" + std::to_string(copy->intVal.current));
    if (storage != nullptr && heard->size() == 1) {
      storage->Add("Gain", PARAM_TYPE_INT, copy->pfnAfterSet);
      storage->SetParamInt("Gain", 77, false);
      int64_t pan;
      storage->GetParamInt("Pan", &pan);  // a nested call into caller code
    }
    return 0;
  }
};

TEST(ParamsReentry, RecordReplacedByAListenerIsNeverReachedAfterItsRelease) {
  Storage storage;
  std::vector<std::string> heard;
  Replacer first, second;
  first.storage = &storage, first.heard = second.heard = &heard;
  storage.Add("Gain", PARAM_TYPE_INT, [](uint32_t, _VemStParam*) { return 0; });
  storage.Add("Pan", PARAM_TYPE_INT);
  ASSERT_EQ(storage.SetParamInt("Gain", 3, false), 0);  // queued, then replaced: never flushed
  ASSERT_EQ(storage.AddParamChangedListener("Gain", &first) + storage.AddParamChangedListener("Gain", &second), 0);
  EXPECT_EQ(storage.SetParamInt("Gain", 9, true), 0);
  EXPECT_EQ(heard, (std::vector<std::string>{"Gain=9", "Gain=9"}));
  EXPECT_EQ(storage.UpdateToObject(), 0);  // only the successor's write of 77
  EXPECT_EQ(heard, (std::vector<std::string>{"Gain=9", "Gain=9", "Gain=77", "Gain=77"}));
}

// The protected raw write checks only the value's shape: no range, callback
// or queue.
TEST(ParamsRawWrite, ChecksOnlyTheShapeOfTheValue) {
  Storage storage;
  _VemStParam* gain = storage.Add("Gain", PARAM_TYPE_INT);
  _VemStParam* text = storage.Add("Text", PARAM_TYPE_STRING);
  _VemStParam* bytes = storage.Add("Bytes", PARAM_TYPE_ARRAY);
  int64_t outside = 1000;  // beyond the range of Gain
  const int32_t results[] = {storage.SetParam(gain, &outside, 4),          storage.SetParam(text, "abc", 3),
                             storage.SetParam(&_g_tmp_param, &outside, 8), storage.SetParam(text, "ab", 3),
                             storage.SetParam(bytes, "xyzw", 3),           storage.SetParam(gain, &outside, 8)};
  EXPECT_EQ(std::vector<int32_t>(results, results + 6), (std::vector<int32_t>{-7001, -7001, -7004, 0, 0, 0}));
  EXPECT_TRUE(gain->intVal.current == 1000 && std::string(text->strVal.current) == "ab");
  EXPECT_EQ(std::string(static_cast<char*>(bytes->arrVal.current), bytes->arrVal.size) +
                std::to_string(storage.UpdateToObject()),
            "xyz0");
}

}  // namespace
}  // namespace vem_test
