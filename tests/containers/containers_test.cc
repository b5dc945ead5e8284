// The containers against their models under seeded random operations; the
// name hash's documented values on every platform; where the narrow encoding
// is UTF-8, every text conversion against ICU's under seeded random text
// (the run the narrow text fuzzer drives).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "VemContainers.h"
#include "tests/support/model_runs.h"

namespace {

TEST(ContainersModel, HashtableAndEnumeratorMatchTheModel) { vem_test::RunSeeds(vem_test::RunHashtable, 400, 1500); }
TEST(ContainersModel, VectorsMatchTheModel) { vem_test::RunSeeds(vem_test::RunVectors, 400, 1500); }

TEST(NameHash, DocumentedValuesInBothForms) {
  const struct {
    const char* text;
    int32_t id;
  } rows[] = {{"abcdefghij", -634317659}, {"abc", 96354}, {"Aa", 2112}, {"", 0}};
  for (const auto& row : rows) {
    const std::basic_string<VemWChar> wide(row.text, row.text + std::strlen(row.text));
    EXPECT_EQ(GenerateID(row.text), row.id);
    EXPECT_EQ(GenerateID(wide.c_str()), row.id);
  }
  EXPECT_EQ(GenerateID(static_cast<const char*>(nullptr)), 0);
  EXPECT_EQ(GenerateID(static_cast<const VemWChar*>(nullptr)), 0);
}

#if !defined(_WIN32)
TEST(TextConversions, MatchIcu) { vem_test::RunSeeds(vem_test::RunNarrowText, 3000, 300); }
#endif

}  // namespace
