// Seeded runs of the model checks for the property tests.
#ifndef VEMMISC_TESTS_SUPPORT_MODEL_RUNS_H_
#define VEMMISC_TESTS_SUPPORT_MODEL_RUNS_H_

#include <cstddef>

#include "tests/models/op_stream.h"

namespace vem_test {

// Runs run once for each seed from 0 to seeds - 1 over that many random
// bytes from the seed; a disagreement fails the test and names the seed, so
// that a failure replays exactly.
void RunSeeds(void (*run)(OpStream&), int seeds, size_t bytes);

}  // namespace vem_test

#endif  // VEMMISC_TESTS_SUPPORT_MODEL_RUNS_H_
