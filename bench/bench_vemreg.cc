// vemreg export and import of 100,000 values under 1,000 keys, against the
// same values written and read one by one through SettingsManager, measured
// in the same run on the same scratch hive directory.
//
// vemreg is found beside this program (both land in the build's bin folder).
// Each benchmark starts from an empty hive; the times are wall-clock, since
// the tool runs as a child process.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "VemSettings.h"

namespace {

namespace fs = std::filesystem;

constexpr int kKeys = 1000;
constexpr int kValuesPerKey = 100;
const char kPath[] = "Software\\Tamrel\\VemTools";

std::string SectionName(int key) {
  char name[16];
  std::snprintf(name, sizeof name, "Section%04d", key);
  return name;
}

std::string ValueName(int value) {
  char name[16];
  std::snprintf(name, sizeof name, "Value%03d", value);
  return name;
}

// The data of one value: a third each of text, numbers and 16 bytes.
std::vector<uint8_t> ValueBytes(int key, int value) {
  std::vector<uint8_t> bytes;
  if (value % 3 == 0) {
    const std::string text = "text of value " + std::to_string(key * kValuesPerKey + value);
    for (char c : text) bytes.insert(bytes.end(), {static_cast<uint8_t>(c), 0});
    bytes.insert(bytes.end(), {0, 0});
  } else if (value % 3 == 1) {
    const uint32_t number = static_cast<uint32_t>(key * kValuesPerKey + value);
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(number >> (8 * i)));
  } else {
    for (int i = 0; i < 16; ++i) bytes.push_back(static_cast<uint8_t>(key + value + i));
  }
  return bytes;
}

std::string ToolPath() { return (fs::read_symlink("/proc/self/exe").parent_path() / "vemreg").string(); }

// A scratch hive directory, named by VEMMISC_REGISTRY_DIR while it lives.
class ScratchHive {
 public:
  ScratchHive() {
    std::string pattern = (fs::temp_directory_path() / "vemreg-bench-XXXXXX").string();
    dir_ = mkdtemp(pattern.data());
    setenv("VEMMISC_REGISTRY_DIR", (dir_ / "hive").c_str(), 1);
  }
  ~ScratchHive() {
    unsetenv("VEMMISC_REGISTRY_DIR");
    fs::remove_all(dir_);
  }
  fs::path File(const char* name) const { return dir_ / name; }
  // Starts over with an empty hive, in a directory the library has not seen.
  void Reset() {
    fs::remove_all(dir_ / "hive");
    setenv("VEMMISC_REGISTRY_DIR", (dir_ / ("hive" + std::to_string(++generation_))).c_str(), 1);
  }

 private:
  fs::path dir_;
  int generation_ = 0;
};

// The registration file that import reads: written here by its own rules, so
// that the benchmark does not depend on export.
void WriteRegFile(const fs::path& path) {
  std::string text = "Windows Registry Editor Version 5.00\r\n";
  for (int key = 0; key < kKeys; ++key) {
    text += "\r\n[HKEY_CURRENT_USER\\Software\\Tamrel\\VemTools\\" + SectionName(key) + "]\r\n";
    for (int value = 0; value < kValuesPerKey; ++value) {
      const std::vector<uint8_t> bytes = ValueBytes(key, value);
      text += "\"" + ValueName(value) + "\"=" + (value % 3 == 0 ? "hex(1):" : value % 3 == 1 ? "hex(4):" : "hex:");
      for (size_t i = 0; i < bytes.size(); ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, i + 1 < bytes.size() ? "%02x," : "%02x", bytes[i]);
        text += byte;
      }
      text += "\r\n";
    }
  }
  std::ofstream out(path, std::ios::binary);
  out.write("\xFF\xFE", 2);
  for (char c : text) out.write((std::string(1, c) + '\0').data(), 2);
}

// Runs the tool and adds the processor time it used (user and system) to
// *cpu_seconds: on a shared machine that time, unlike the wall clock, does
// not depend on what else runs.
bool RunTool(const std::vector<std::string>& args, double* cpu_seconds) {
  std::vector<std::string> owned = args;
  owned.insert(owned.begin(), ToolPath());
  std::vector<char*> argv;
  for (std::string& arg : owned) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  const bool ok = pid > 0 && wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  *cpu_seconds += static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                  static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  return ok;
}

bool WriteWithSettingsManager() {
  SettingsManager settings("HKEY_CURRENT_USER", kPath, 0);
  for (int key = 0; key < kKeys; ++key) {
    for (int value = 0; value < kValuesPerKey; ++value) {
      const std::vector<uint8_t> bytes = ValueBytes(key, value);
      if (!settings.SetParam(bytes.data(), static_cast<int32_t>(bytes.size()), SectionName(key).c_str(),
                             ValueName(value).c_str(), -1)) {
        return false;
      }
    }
  }
  return true;
}

void BM_Import_Vemreg(benchmark::State& state) {
  ScratchHive hive;
  WriteRegFile(hive.File("in.reg"));
  double cpu_seconds = 0;
  for (auto _ : state) {
    state.PauseTiming();
    hive.Reset();
    state.ResumeTiming();
    if (!RunTool({"import", hive.File("in.reg").string()}, &cpu_seconds)) {
      state.SkipWithError("import failed");
      break;
    }
  }
  state.counters["tool_cpu_s"] = cpu_seconds / static_cast<double>(state.iterations());
  state.SetItemsProcessed(state.iterations() * kKeys * kValuesPerKey);
}
BENCHMARK(BM_Import_Vemreg)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_Import_SettingsManagerBaseline(benchmark::State& state) {
  ScratchHive hive;
  for (auto _ : state) {
    state.PauseTiming();
    hive.Reset();
    state.ResumeTiming();
    if (!WriteWithSettingsManager()) {
      state.SkipWithError("write failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * kKeys * kValuesPerKey);
}
BENCHMARK(BM_Import_SettingsManagerBaseline)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_Export_Vemreg(benchmark::State& state) {
  ScratchHive hive;
  if (!WriteWithSettingsManager()) state.SkipWithError("setup failed");
  const std::string out = hive.File("out.reg").string();
  double cpu_seconds = 0;
  for (auto _ : state) {
    if (!RunTool({"export", "HKCU\\Software\\Tamrel", out, "/y"}, &cpu_seconds)) {
      state.SkipWithError("export failed");
      break;
    }
  }
  state.counters["tool_cpu_s"] = cpu_seconds / static_cast<double>(state.iterations());
  state.SetItemsProcessed(state.iterations() * kKeys * kValuesPerKey);
}
BENCHMARK(BM_Export_Vemreg)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_Export_SettingsManagerBaseline(benchmark::State& state) {
  ScratchHive hive;
  if (!WriteWithSettingsManager()) state.SkipWithError("setup failed");
  SettingsManager settings("HKEY_CURRENT_USER", kPath, 0);
  uint8_t buffer[64];
  for (auto _ : state) {
    for (int key = 0; key < kKeys; ++key) {
      const std::string section = SectionName(key);
      for (int value = 0; value < kValuesPerKey; ++value) {
        if (!settings.GetParam(buffer, sizeof buffer, section.c_str(), ValueName(value).c_str(), -1)) {
          state.SkipWithError("read failed");
        }
      }
    }
  }
  state.SetItemsProcessed(state.iterations() * kKeys * kValuesPerKey);
}
BENCHMARK(BM_Export_SettingsManagerBaseline)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
