// Uses the installed library through its umbrella header, as an application
// does. Exits 0 when every result is the documented one, 1 otherwise, naming
// each wrong result.
#include <VemMisc.h>

#include <cstdio>

namespace {

int failures = 0;

void Expect(bool ok, const char* what) {
  if (!ok) {
    std::printf("wrong: %s\n", what);
    ++failures;
  }
}

}  // namespace

int main() {
  Expect(GenerateID("abc") == 96354, "GenerateID(\"abc\")");
  const VemWChar wide[] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 0};
  Expect(GenerateID(wide) == -634317659, "GenerateID of wide \"abcdefghij\"");

  int gain = 12;
  int level = 3;
  THashtable<int> table;
  table.Put(GenerateID("Gain"), &gain);
  table.Put(GenerateID("Level"), &level);
  Expect(table.Size() == 2, "table size after two keys");
  Expect(table.Get(GenerateID("Gain")) == &gain, "value of a key");
  Expect(table.Get(GenerateID("Missing")) == nullptr, "value of an absent key");

  int seen = 0;
  for (CHtEnumerator it(&table); it.HasMoreElements(); it.NextElement()) ++seen;
  Expect(seen == 2, "enumeration visits every entry");

  UVector values;
  for (uint32_t i = 0; i < 100; ++i) values.AddElement(i * 7);
  Expect(values.GetSize() == 100 && values.GetElement(99) == 693, "vector elements");

  std::printf("%s\n", failures == 0 ? "consumer: all results as documented" : "consumer: failed");
  return failures == 0 ? 0 : 1;
}
