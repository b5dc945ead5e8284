// Windows peer of bench_settings: times the same SettingsManager calls
// against the system registry (Wine's, when run there) and prints one line
// per operation, "<name> <nanoseconds per call>", then "end".
// Usage: settings_wine_peer.exe [CALLS]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "VemSettings.h"

namespace {

double Seconds() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Runs `call` `calls` times and prints its mean time; false if a call failed.
template <typename Call>
bool Time(const char* name, int calls, Call call) {
  bool ok = call();  // the first call creates what the others find
  const double start = Seconds();
  for (int i = 0; i < calls; ++i) ok = call() && ok;
  const double elapsed = Seconds() - start;
  std::printf("%s %.1f\n", name, elapsed * 1e9 / calls);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const int calls = argc > 1 ? std::atoi(argv[1]) : 2000;
  if (calls <= 0) return 2;
  const std::string path = "Software\\VemMiscBench\\" + std::to_string(GetCurrentProcessId());
  SettingsManager settings("HKEY_CURRENT_USER", path.c_str(), 0);
  // Every write stores new data, as in bench_settings.
  int64_t value = 0x0123456789abcdef;
  int64_t read = 0;
  std::string text(31, 't');  // 32 bytes stored with its terminator
  std::string read_text;
  bool ok = Time("SetParam", calls, [&] {
    ++value;
    return settings.SetParam(&value, 8, "Bench", "Value", -1);
  });
  ok = Time("GetParam", calls, [&] { return settings.GetParam(&read, 8, "Bench", "Value", -1); }) && ok;
  ok = Time("SetString", calls,
            [&] {
              ++text[0];
              return settings.SetString(&text, "Bench", "Text", -1);
            }) &&
       ok;
  ok = Time("GetString", calls, [&] { return settings.GetString(&read_text, "Bench", "Text", -1); }) && ok;
  std::printf("end\n");
  std::fflush(stdout);
  RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
  return ok ? 0 : 1;
}
