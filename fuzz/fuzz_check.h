// The failure report of the differential fuzzers: a disagreement with the
// model aborts, which libFuzzer records as a crash with its reproducer.
#ifndef VEMMISC_FUZZ_FUZZ_CHECK_H_
#define VEMMISC_FUZZ_FUZZ_CHECK_H_

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition) \
  ((condition) ? (void)0      \
               : (std::fprintf(stderr, "%s:%d: model disagrees: %s\n", __FILE__, __LINE__, #condition), std::abort()))

#endif  // VEMMISC_FUZZ_FUZZ_CHECK_H_
