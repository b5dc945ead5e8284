// The name hash's documented values on every platform; where the narrow
// encoding is UTF-8, every conversion against ICU's under seeded random text
// (the run the narrow text fuzzer drives).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "VemContainers.h"
#include "tests/support/model_runs.h"
#include "text/narrow_text.h"

namespace {

TEST(NameHash, DocumentedValuesInBothForms) {
  const struct {
    const char* text;
    int32_t id;
  } rows[] = {{"abcdefghij", -634317659}, {"abc", 96354}, {"Aa", 2112}, {"", 0}};
  for (const auto& row : rows) {
    // ASCII maps byte for byte in every code page.
    std::basic_string<VemWChar> wide;
    ASSERT_TRUE(vem::NarrowToWide(row.text, vem::NarrowCodePage::kThread, &wide));
    EXPECT_EQ(wide, std::basic_string<VemWChar>(row.text, row.text + std::strlen(row.text)));
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
