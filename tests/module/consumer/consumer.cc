// Uses the installed library through its umbrella header, as an application
// does. Exits 0 when every result is the documented one, 1 otherwise, naming
// each wrong result.
#include <VemMisc.h>

#include <cstdio>

static int failures = 0;

static void Expect(bool ok, const char* what) {
  if (!ok) std::printf("wrong: %s\n", what);
  failures += ok ? 0 : 1;
}

int main() {
  const VemWChar wide[] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 0};
  Expect(GenerateID("abc") == 96354 && GenerateID(wide) == -634317659, "GenerateID, narrow and wide");
  int gain = 12;
  THashtable<int> table;
  table.Put(GenerateID("Gain"), &gain);
  Expect(table.Size() == 1 && table.Get(GenerateID("Gain")) == &gain, "a key's value");
  CHtEnumerator it(&table);
  Expect(it.NextElement() == &gain && !it.HasMoreElements(), "enumeration");
  UVector values;
  for (uint32_t i = 0; i < 100; ++i) values.AddElement(i * 7);
  Expect(values.GetSize() == 100 && values.GetElement(99) == 693, "vector elements");
  std::printf("%s\n", failures == 0 ? "consumer: all results as documented" : "consumer: failed");
  return failures == 0 ? 0 : 1;
}
