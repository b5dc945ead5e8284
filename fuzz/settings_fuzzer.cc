// Fuzzer of SettingsManager over the Linux registry hive, in a private
// directory. Each input works below a key path of its own and mixes two kinds
// of names:
// - plain names (ASCII letters, differing in letter case only), checked
//   against a model: a map from section and value name, both compared
//   without regard to case as the registry compares them;
// - hostile names (empty, backslashes, over-long, non-ASCII, with an index
//   appended) and hostile sizes, which must never crash and must read back
//   exactly what a successful write stored.
#include <fuzzer/FuzzedDataProvider.h>

#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "VemSettings.h"
#include "fuzz/fuzz_check.h"

namespace {

const char* const kPlainSections[] = {"Alpha", "ALPHA", "alpha", "Beta"};
const char* const kPlainNames[] = {"Gain", "gain", "GAIN", "Level", "Gain3"};
const std::string kLong(300, 'L');
const std::string kVeryLong(20000, 'V');
const char* const kHostile[] = {
    "",         "\\",    "a\\b",   "A\\B\\", "\\\\x", "x\\\\y", kLong.c_str(), kVeryLong.c_str(), "\xc3\xa9t\xc3\xa9",
    "\xff\xfe", "=\"[]", "Gain\\3"};

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string ValueName(const char* name, int32_t index) {
  return index == -1 ? std::string(name) : std::string(name) + std::to_string(index);
}

// A successful write must read back exactly; a failed one must not crash.
void WriteAndReadBack(SettingsManager& settings, const std::string& data, const char* section, const char* name,
                      int32_t index) {
  const int32_t size = static_cast<int32_t>(data.size());
  if (!settings.SetParam(data.data(), size, section, name, index)) return;
  FUZZ_CHECK(settings.GetParamDataLen(section, name, index) == data.size());
  std::string back(data.size() + 1, '\0');
  FUZZ_CHECK(settings.GetParam(&back[0], size + 1, section, name, index));
  FUZZ_CHECK(back.compare(0, data.size(), data) == 0);
  if (size > 0) FUZZ_CHECK(!settings.GetParam(&back[0], size - 1, section, name, index));
}

}  // namespace

char g_directory[] = "/tmp/vemmisc-fuzz-settings.XXXXXX";

void RemoveDirectory() {
  std::error_code ignored;
  std::filesystem::remove_all(g_directory, ignored);
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FUZZ_CHECK(mkdtemp(g_directory) != nullptr);
  setenv("VEMMISC_REGISTRY_DIR", g_directory, 1);
  std::atexit(RemoveDirectory);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static unsigned run = 0;
  FuzzedDataProvider in(data, size);
  const std::string path = "Software\\VemMiscFuzz\\Run" + std::to_string(++run);
  SettingsManager settings("HKEY_CURRENT_USER", path.c_str(), 0);
  std::map<std::pair<std::string, std::string>, std::string> model;

  for (int step = 0; step < 24 && in.remaining_bytes() > 0; ++step) {
    const int32_t index = in.PickValueInArray<int32_t>({-1, -1, 0, 3, -2, 2147483647});
    const bool hostileSection = in.ConsumeIntegralInRange(0, 3) == 0;
    const bool hostileName = in.ConsumeIntegralInRange(0, 3) == 0;
    const char* section = hostileSection ? in.PickValueInArray(kHostile) : in.PickValueInArray(kPlainSections);
    const char* name = hostileName ? in.PickValueInArray(kHostile) : in.PickValueInArray(kPlainNames);
    const bool modelled = !hostileSection && !hostileName;
    const auto key = std::make_pair(Lower(section), Lower(ValueName(name, index)));
    const size_t length =
        in.ConsumeBool() ? in.ConsumeIntegralInRange<size_t>(0, 16) : in.ConsumeIntegralInRange<size_t>(0, 70000);
    std::string bytes(length, '\0');
    for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>(i * 7 + step);

    switch (in.ConsumeIntegralInRange(0, 5)) {
      case 0: {
        if (!modelled) {
          WriteAndReadBack(settings, bytes, section, name, index);
          break;
        }
        FUZZ_CHECK(settings.SetParam(bytes.data(), static_cast<int32_t>(length), section, name, index));
        model[key] = bytes;
        break;
      }
      case 1: {
        const std::string text = in.ConsumeRandomLengthString(64);
        if (!settings.SetString(&text, section, name, index)) {
          FUZZ_CHECK(!modelled);
          break;
        }
        const std::string stored = text.substr(0, text.find('\0'));  // up to its first zero
        std::string back = "unchanged";
        FUZZ_CHECK(settings.GetString(&back, section, name, index) && back == stored);
        if (modelled) model[key] = text + '\0';
        break;
      }
      case 2: {
        // Refused arguments touch nothing.
        FUZZ_CHECK(!settings.SetParam(bytes.data(), -1 - static_cast<int32_t>(length % 5), section, name, index));
        FUZZ_CHECK(!settings.SetParam(bytes.data(), 1, section, nullptr, index));
        FUZZ_CHECK(settings.GetParamDataLen(section, nullptr, index) == 0);
        break;
      }
      default: {
        if (!modelled) {
          settings.GetParamDataLen(section, name, index);
          std::string back = "unchanged";
          if (!settings.GetString(&back, section, name, index)) FUZZ_CHECK(back == "unchanged");
          break;
        }
        const auto found = model.find(key);
        const uint32_t stored = settings.GetParamDataLen(section, name, index);
        std::string buffer(found == model.end() ? 8 : found->second.size() + 1, '\x5A');
        const bool read = settings.GetParam(&buffer[0], static_cast<int32_t>(buffer.size()), section, name, index);
        if (found == model.end()) {
          FUZZ_CHECK(stored == 0 && !read);
        } else {
          FUZZ_CHECK(stored == found->second.size() && read);
          FUZZ_CHECK(buffer.compare(0, found->second.size(), found->second) == 0);
        }
        break;
      }
    }
  }
  return 0;
}
