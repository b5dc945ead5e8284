// The name hash's documented values on every platform; where the narrow
// encoding is UTF-8, every conversion against the reference decoder under
// seeded random text (the run the narrow text fuzzer drives).
#include <gtest/gtest.h>

#include <string>

#include "VemContainers.h"
#include "tests/support/model_runs.h"
#include "text/narrow_text.h"

namespace {

TEST(NameHash, DocumentedValuesInBothForms) {
  const VemWChar wide[] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 0};
  EXPECT_EQ(GenerateID(wide), -634317659);
  EXPECT_EQ(GenerateID("abcdefghij"), -634317659);
  EXPECT_EQ(GenerateID("abc"), 96354);
  EXPECT_EQ(GenerateID("Aa"), 2112);
  EXPECT_EQ(GenerateID(""), 0);
  EXPECT_EQ(GenerateID(wide + 10), 0);
  EXPECT_EQ(GenerateID(static_cast<const char*>(nullptr)), 0);
  EXPECT_EQ(GenerateID(static_cast<const VemWChar*>(nullptr)), 0);
  // ASCII maps byte for byte in every code page.
  std::basic_string<VemWChar> converted;
  ASSERT_TRUE(vem::NarrowToWide("Gain 12", vem::NarrowCodePage::kThread, &converted));
  EXPECT_EQ(converted, (std::basic_string<VemWChar>{'G', 'a', 'i', 'n', ' ', '1', '2'}));
}

#if !defined(_WIN32)
TEST(TextConversions, MatchTheReferenceDecoder) { vem_test::RunSeeds(vem_test::RunNarrowText, 3000, 300); }
#endif

}  // namespace
