// The containers against their models under seeded random operations.
#include <gtest/gtest.h>

#include "tests/support/model_runs.h"

namespace {

TEST(ContainersModel, HashtableAndEnumeratorMatchTheModel) { vem_test::RunSeeds(vem_test::RunHashtable, 400, 1500); }
TEST(ContainersModel, VectorsMatchTheModel) { vem_test::RunSeeds(vem_test::RunVectors, 400, 1500); }

}  // namespace
