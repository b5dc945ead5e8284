// The one libFuzzer entry of the model fuzzers: the input is the stream of
// choices for the run the target was built for (VEMMISC_FUZZ_RUN), the same
// run that the property tests drive from seeded random bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "tests/models/op_stream.h"

namespace vem_test {

void ModelDisagrees(const char* file, int line, const char* what) {
  std::fprintf(stderr, "%s:%d: the model disagrees: %s\n", file, line, what);
  std::abort();
}

// The run this target was built for.
void VEMMISC_FUZZ_RUN(OpStream& in);

}  // namespace vem_test

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vem_test::OpStream in(data, size);
  vem_test::VEMMISC_FUZZ_RUN(in);
  return 0;
}
