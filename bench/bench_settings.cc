// SettingsManager writes and reads on the Linux registry hive, against the
// same calls in the Windows build under Wine (against Wine's registry),
// measured in the same run by the peer program settings_wine_peer.exe.
//
// BM_NameLookup compares two ways for the hive to find a name without regard
// to letter case, against SQLite's NOCASE collation (ASCII only) as the
// baseline: a collation of our own, and a stored comparison key with an
// index on it.
//
// The peer runs when VEMMISC_SETTINGS_WINE_PEER names it (in a Windows build's
// bin folder, beside VemMisc.dll); its Wine prefix is WINEPREFIX or else the
// "wineprefix" folder of that build. Every operation opens and closes its
// keys, as SettingsManager always does.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "VemSettings.h"
#include "text/name_case.h"

namespace {

// Every write stores new data: SQLite skips rewriting a row that has not
// changed, which would flatter the hive.
const char kPath[] = "Software\\VemMiscBench\\Run";
const int64_t kValue = 0x0123456789abcdef;
const std::string kText(31, 't');  // 32 bytes stored with its terminator

void BM_Hive_SetParam(benchmark::State& state) {
  SettingsManager settings("HKEY_CURRENT_USER", kPath, 0);
  int64_t value = kValue;
  for (auto _ : state) {
    ++value;
    if (!settings.SetParam(&value, 8, "Bench", "Value", -1)) state.SkipWithError("write failed");
  }
}
BENCHMARK(BM_Hive_SetParam);

void BM_Hive_GetParam(benchmark::State& state) {
  SettingsManager settings("HKEY_CURRENT_USER", kPath, 0);
  settings.SetParam(&kValue, 8, "Bench", "Value", -1);
  int64_t read = 0;
  for (auto _ : state) {
    if (!settings.GetParam(&read, 8, "Bench", "Value", -1)) state.SkipWithError("read failed");
  }
}
BENCHMARK(BM_Hive_GetParam);

void BM_Hive_SetString(benchmark::State& state) {
  SettingsManager settings("HKEY_CURRENT_USER", kPath, 0);
  std::string text = kText;
  for (auto _ : state) {
    ++text[0];
    if (!settings.SetString(&text, "Bench", "Text", -1)) state.SkipWithError("write failed");
  }
}
BENCHMARK(BM_Hive_SetString);

void BM_Hive_GetString(benchmark::State& state) {
  SettingsManager settings("HKEY_CURRENT_USER", kPath, 0);
  settings.SetString(&kText, "Bench", "Text", -1);
  std::string read;
  for (auto _ : state) {
    if (!settings.GetString(&read, "Bench", "Text", -1)) state.SkipWithError("read failed");
  }
}
BENCHMARK(BM_Hive_GetString);

enum NameLookup { kNoCase, kCollation, kStoredKey };

int CompareNamesCollation(void*, int size_a, const void* a, int size_b, const void* b) {
  return vem::CompareNames(std::string_view(static_cast<const char*>(a), size_a),
                           std::string_view(static_cast<const char*>(b), size_b));
}

// The name of sibling i: mixed case, every fourth one with non-ASCII letters.
std::string SiblingName(int i, bool upper) {
  const char* stem =
      i % 4 == 0 ? (upper ? "\xC3\x84PFEL\xCE\xA3" : "\xC3\xA4pfel\xCF\x83") : (upper ? "SETTING" : "Setting");
  return stem + std::to_string(i);
}

// Finds one of 1,000 sibling keys by its name spelled in other letter case,
// in a table made as each way needs it.
void BM_NameLookup(benchmark::State& state) {
  const auto way = static_cast<NameLookup>(state.range(0));
  sqlite3* db = nullptr;
  sqlite3_open(":memory:", &db);
  sqlite3_create_collation_v2(db, "REGNAME", SQLITE_UTF8, nullptr, CompareNamesCollation, nullptr);
  const char* schema[] = {"CREATE TABLE k(parent INTEGER, name TEXT COLLATE NOCASE, UNIQUE(parent, name))",
                          "CREATE TABLE k(parent INTEGER, name TEXT COLLATE REGNAME, UNIQUE(parent, name))",
                          "CREATE TABLE k(parent INTEGER, name TEXT, key BLOB, UNIQUE(parent, key))"};
  sqlite3_exec(db, schema[way], nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  const char* insert_sql = way == kStoredKey ? "INSERT INTO k VALUES(1, ?1, ?2)" : "INSERT INTO k VALUES(1, ?1)";
  sqlite3_prepare_v2(db, insert_sql, -1, &insert, nullptr);
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  for (int i = 0; i < 1000; ++i) {
    const std::string name = SiblingName(i, false);
    const std::string key = vem::NameKey(name);
    sqlite3_bind_text(insert, 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    if (way == kStoredKey) {
      sqlite3_bind_blob(insert, 2, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
    }
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_finalize(insert);
  sqlite3_stmt* find = nullptr;
  sqlite3_prepare_v2(db,
                     way == kStoredKey ? "SELECT rowid FROM k WHERE parent = 1 AND key = ?1"
                                       : "SELECT rowid FROM k WHERE parent = 1 AND name = ?1",
                     -1, &find, nullptr);
  std::vector<std::string> lookups;
  for (int i = 0; i < 1000; i += 7) lookups.push_back(SiblingName(i, true));
  size_t next = 0;
  for (auto _ : state) {
    const std::string& name = lookups[next++ % lookups.size()];
    if (way == kStoredKey) {
      const std::string key = vem::NameKey(name);
      sqlite3_bind_blob(find, 1, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
    } else {
      sqlite3_bind_text(find, 1, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
    }
    // NOCASE misses the non-ASCII names; the lookup costs the same.
    benchmark::DoNotOptimize(sqlite3_step(find));
    sqlite3_reset(find);
  }
  sqlite3_finalize(find);
  sqlite3_close(db);
}
BENCHMARK(BM_NameLookup)->ArgName("way")->Arg(kNoCase)->Arg(kCollation)->Arg(kStoredKey);

// Runs the Wine peer and returns nanoseconds per call by operation name;
// empty when the peer is not configured or fails.
std::map<std::string, double> RunWinePeer() {
  std::map<std::string, double> results;
  const char* peer = getenv("VEMMISC_SETTINGS_WINE_PEER");
  if (peer == nullptr || peer[0] == '\0') return results;
  const std::filesystem::path exe = std::filesystem::absolute(peer);
  const char* prefix_env = getenv("WINEPREFIX");
  const std::string prefix = prefix_env != nullptr && prefix_env[0] != '\0'
                                 ? prefix_env
                                 : (exe.parent_path().parent_path() / "wineprefix").string();
  const std::string command = "cd '" + exe.parent_path().string() + "' && WINEPREFIX='" + prefix +
                              "' WINEDEBUG=-all /usr/lib/wine/wine64 '" + exe.string() + "' 2000 </dev/null";
  FILE* output = popen(command.c_str(), "r");
  if (output == nullptr) return results;
  // Wine's services may keep the pipe open after the peer ends, so the
  // reading stops at the peer's last line rather than at end of file.
  char name[64];
  double nanoseconds;
  while (std::fscanf(output, "%63s", name) == 1 && std::string(name) != "end") {
    if (std::fscanf(output, "%lf", &nanoseconds) != 1) break;
    results[name] = nanoseconds;
  }
  const bool peer_ok = pclose(output) == 0;
  if (!peer_ok) results.clear();
  return results;
}

// Reports the peer's figures as benchmarks of their own, so that both sides
// appear in one table.
void RegisterWineResults(const std::map<std::string, double>& results) {
  for (const auto& [operation, nanoseconds] : results) {
    benchmark::RegisterBenchmark(("BM_Wine_" + operation).c_str(),
                                 [ns = nanoseconds](benchmark::State& state) {
                                   for (auto _ : state) state.SetIterationTime(ns * 1e-9);
                                 })
        ->UseManualTime()
        ->Iterations(1);
  }
}

// Prints, after the usual table, how many times faster the hive is than
// Wine's registry for each operation (Wine time / hive time).
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) nanoseconds_[run.benchmark_name()] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const char* operation : {"SetParam", "GetParam", "SetString", "GetString"}) {
      const auto hive = nanoseconds_.find(std::string("BM_Hive_") + operation);
      const auto wine = nanoseconds_.find(std::string("BM_Wine_") + operation + "/iterations:1/manual_time");
      if (hive == nanoseconds_.end() || wine == nanoseconds_.end()) continue;
      std::printf("%-10s hive %8.2f us   wine %8.2f us   hive is %.2fx as fast\n", operation, hive->second / 1000,
                  wine->second / 1000, wine->second / hive->second);
    }
  }

 private:
  std::map<std::string, double> nanoseconds_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::string dir = (std::filesystem::temp_directory_path() / "vemmisc-bench-XXXXXX").string();
  if (mkdtemp(dir.data()) == nullptr) return 1;
  setenv("VEMMISC_REGISTRY_DIR", dir.c_str(), 1);
  RegisterWineResults(RunWinePeer());
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::filesystem::remove_all(dir);
  return 0;
}
