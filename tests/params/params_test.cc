// The parameter storage against its model under seeded random operations.
// Natively the program runs under AddressSanitizer in every build (see its
// CMakeLists.txt), with released memory filled, so that a write past a value
// buffer, a record read after its release and a leak fail it too.
#include <gtest/gtest.h>

#include "tests/support/model_runs.h"

#if defined(__SANITIZE_ADDRESS__)
// A record read after its release then reads as garbage, which the model sees.
extern "C" const char* __asan_default_options() { return "max_free_fill_size=4096:free_fill_byte=221"; }
#endif

namespace vem_test {
namespace {

TEST(ParamsModel, StorageFollowsTheModelAndFreesWhatItOwns) { RunSeeds(RunParams, 600, 1200); }

}  // namespace
}  // namespace vem_test
