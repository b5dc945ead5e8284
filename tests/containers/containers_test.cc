// The containers against their models under seeded random operations; the
// name hash's documented values on every platform; where the narrow encoding
// is UTF-8, every text conversion against ICU's under seeded random text
// (the run the narrow text fuzzer drives).
#include <gtest/gtest.h>

#include "VemContainers.h"
#include "tests/support/model_runs.h"

namespace {

TEST(ContainersModel, HashtableAndEnumeratorMatchTheModel) { vem_test::RunSeeds(vem_test::RunHashtable, 400, 1500); }
TEST(ContainersModel, VectorsMatchTheModel) { vem_test::RunSeeds(vem_test::RunVectors, 400, 1500); }

// The text runs check the hash of every text against its UTF-16 form; these
// are the documented values, on every platform, the overflowing one among them.
TEST(NameHash, DocumentedValuesInBothForms) {
  const VemWChar wide[] = {'A', 'a', 0};
  EXPECT_EQ(GenerateID("abcdefghij"), -634317659);
  EXPECT_EQ(GenerateID(wide), 2112);
  EXPECT_EQ(GenerateID(wide + 2), 0);
  EXPECT_EQ(GenerateID(static_cast<const char*>(nullptr)), 0);
  EXPECT_EQ(GenerateID(static_cast<const VemWChar*>(nullptr)), 0);
}

#if !defined(_WIN32)
TEST(TextConversions, MatchIcu) { vem_test::RunSeeds(vem_test::RunNarrowText, 3000, 300); }
#endif

}  // namespace
