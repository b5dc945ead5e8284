// Drives SettingsManager with calls generated from a seed and prints one line
// per call: its number, the operation, the result and what was read. The
// program is built for Linux (the registry hive) and for Windows (run under
// Wine, against Wine's registry); compare_transcripts.sh runs both with the
// same seed, and the registry's rules hold on Linux when the two transcripts
// are equal.
//
// Usage: settings_transcript RUN SEED COUNT   COUNT generated calls
//        settings_transcript RUN letters      every UTF-16 code unit's letter case
// RUN names the run's key below HKEY_CURRENT_USER\Software, so that runs in
// one registry do not meet. Names are UTF-8, the Windows build's code page.
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "VemSettings.h"

namespace {

// xorshift64*: the same numbers from the same seed on every platform.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed * 2654435761u + 1) {}
  uint32_t Below(size_t bound) {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return static_cast<uint32_t>((state_ * 0x2545F4914F6CDD1Dull) >> 32) % static_cast<uint32_t>(bound);
  }
  bool OneIn(uint32_t n) { return Below(n) == 0; }

 private:
  uint64_t state_;
};

// Spellings of one letter, split at '|': mostly one of the first two (a case
// pair, where the letter has one), now and then a variant without a pair
// (dotless i, long s, final sigma, micro, Kelvin and Ångström signs,
// title-case digraphs), letters beyond the BMP. "ß" is not "ss". One byte
// that is no UTF-8: only one, since Windows reads every such byte as U+FFFD.
const char* const kLetters[] = {"a|A",        "0",     "_",   " ",       ".",     "ä|Ä",   "ß",     "ẞ",
                                "ss|SS|sS",   "σ|Σ|ς", "ж|Ж", "i|I|ı|İ", "s|S|ſ", "μ|Μ|µ", "ǆ|Ǆ|ǅ", "k|K|\u212A",
                                "å|Å|\u212B", "ÿ|Ÿ",   "ᾳ|ᾼ", "𐐨|𐐀",     "😀",     "ａ|Ａ", "\xFF"};
const size_t kLetterCount = sizeof kLetters / sizeof kLetters[0];

typedef std::vector<uint8_t> Letters;  // indexes into kLetters, spelled anew at each use

class CallGenerator {
 public:
  explicit CallGenerator(uint64_t seed) : random_(seed) {}
  Random& random() { return random_; }

  // A key path of one to three levels, mostly one used before, with empty
  // levels now and then; or the empty path, a lone or leading backslash, a
  // level at or beyond the name limit. Paths stay within the 260 characters
  // that Windows' narrow calls take, unless a level is beyond the limit.
  std::string Section() {
    switch (random_.Below(40)) {
      case 0: return "";
      case 1: return "\\";
      case 2: return "\\" + Spell(NewLetters(3));
      case 3: return std::string(255, 'L');
      case 4: return std::string(257, 'l');
      case 5: return "L\\" + std::string(300, 'l');
      default: break;
    }
    if (sections_.size() < 5 || random_.OneIn(2000)) {
      sections_.emplace_back(1 + random_.Below(3));
      for (Letters& level : sections_.back()) level = NewLetters(1 + random_.Below(5));
    }
    std::string path;
    for (const Letters& level : sections_[random_.Below(sections_.size())]) {
      path += (path.empty() ? "" : random_.OneIn(6) ? "\\\\" : "\\") + Spell(level);
    }
    return random_.OneIn(8) ? path + "\\" : path;
  }

  // A value name: short (a backslash is one of its letters), or at or just
  // beyond the limit.
  std::string ValueName() {
    if (random_.OneIn(400)) return std::string(16383 + random_.Below(2), 'v');
    return Name(&value_names_, 1 + random_.Below(6), 6) + (random_.OneIn(20) ? "\\x" : "");
  }

  std::string Text() { return Name(&texts_, 1 + random_.Below(4), 1000); }

  // Data of every size up to `most` bytes, now and then a large one.
  std::vector<uint8_t> Bytes(size_t most) {
    std::vector<uint8_t> bytes(random_.OneIn(50) ? 4000 + random_.Below(4000) : random_.Below(most + 1));
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random_.Below(256));
    return bytes;
  }

 private:
  // A new name while there are fewer than `most`, else mostly one used before.
  std::string Name(std::vector<Letters>* used, size_t length, size_t most) {
    if (used->size() < most || random_.OneIn(2000)) used->push_back(NewLetters(length));
    return Spell((*used)[random_.Below(used->size())]);
  }

  Letters NewLetters(size_t length) {
    Letters letters(length);
    for (uint8_t& letter : letters) letter = static_cast<uint8_t>(random_.Below(kLetterCount));
    return letters;
  }

  std::string Spell(const Letters& letters) {
    std::string text;
    for (uint8_t letter : letters) {
      std::vector<std::string> spellings(1);
      for (const char* c = kLetters[letter]; *c != '\0'; ++c)
        *c == '|' ? spellings.emplace_back() : spellings.back() += *c;
      text += spellings[random_.Below(random_.OneIn(30) || spellings.size() < 2 ? spellings.size() : 2)];
    }
    return text;
  }

  Random random_;
  std::vector<std::vector<Letters>> sections_;
  std::vector<Letters> value_names_, texts_;
};

std::string Hex(const void* data, size_t size) {
  std::string hex;
  char digits[3];
  for (size_t i = 0; i < size; ++i)
    hex += (std::snprintf(digits, 3, "%02x", static_cast<const uint8_t*>(data)[i]), digits);
  return hex;
}

// Generated calls on objects whose paths differ (one with empty levels, one
// refused for its leading backslash) or whose roots are none of the five.
int RunCalls(const std::string& base, uint64_t seed, long count) {
  CallGenerator generate(seed);
  Random& random = generate.random();
  std::vector<SettingsManager> objects;
  for (const std::string& path : {base, base + "\\Größe", base + "\\\\GRÖßE\\\\", "\\" + base}) {
    objects.emplace_back("HKEY_CURRENT_USER", path.c_str(), 0);
  }
  for (const char* root : {"hkey_current_user", "HKCU", ""}) objects.emplace_back(root, base.c_str(), 0);
  for (long call = 0; call < count; ++call) {
    SettingsManager& settings = objects[random.Below(random.OneIn(8) ? objects.size() : 3)];
    const std::string section = generate.Section(), value_name = generate.ValueName();
    const char* name = random.OneIn(100) ? nullptr : value_name.c_str();
    const int32_t kIndexes[] = {0, 1, 7, -2, INT_MIN, INT_MAX};
    const int32_t index = random.Below(10) < 7 ? -1 : kIndexes[random.Below(6)];
    const int32_t sign = random.OneIn(100) ? -1 : 1;  // a negative size fails
    std::string line = std::to_string(call);
    switch (random.Below(5)) {
      case 0: {
        const std::vector<uint8_t> data = generate.Bytes(16);
        line += " SetParam " + std::to_string(settings.SetParam(data.data(), sign * static_cast<int32_t>(data.size()),
                                                                section.c_str(), name, index));
        break;
      }
      case 1: {
        const std::string text = generate.Text();
        line += " SetString " + std::to_string(settings.SetString(&text, section.c_str(), name, index));
        break;
      }
      case 2: {  // buffers of every size, too small ones included
        const int32_t capacity = static_cast<int32_t>(random.Below(20));
        std::vector<uint8_t> buffer(static_cast<size_t>(capacity) + 1, 0xCC);
        const bool read = settings.GetParam(buffer.data(), sign * capacity, section.c_str(), name, index);
        line += " GetParam " + std::to_string(read) + " " + (read ? Hex(buffer.data(), buffer.size()) : "");
        break;
      }
      case 3:
        line += " GetParamDataLen " + std::to_string(settings.GetParamDataLen(section.c_str(), name, index));
        break;
      default: {
        std::string text = "unread";
        const bool read = settings.GetString(&text, section.c_str(), name, index);
        line += " GetString " + std::to_string(read) + " " + Hex(text.data(), text.size());
        break;
      }
    }
    std::puts(line.c_str());
  }
  return 0;
}

std::string Utf8(uint32_t unit) {
  if (unit < 0x80) return std::string(1, static_cast<char>(unit));
  if (unit < 0x800) return {static_cast<char>(0xC0 | unit >> 6), static_cast<char>(0x80 | (unit & 0x3F))};
  return {static_cast<char>(0xE0 | unit >> 12), static_cast<char>(0x80 | (unit >> 6 & 0x3F)),
          static_cast<char>(0x80 | (unit & 0x3F))};
}

// Every code unit but NUL and the surrogates becomes a one-letter value name,
// written in order with the unit as its data; reading each name back then
// yields the last unit written that the registry takes for the same letter.
// Prints the units that read back another unit: the registry's letter case.
int RunLetters(const std::string& base) {
  SettingsManager settings("HKEY_CURRENT_USER", base.c_str(), 0);
  for (int pass = 0; pass < 2; ++pass) {
    for (uint32_t unit = 1; unit < 0x10000; ++unit) {
      uint16_t data = static_cast<uint16_t>(unit);
      if (unit >= 0xD800 && unit <= 0xDFFF) continue;
      if (pass == 0 && !settings.SetParam(&data, 2, "Letters", Utf8(unit).c_str(), -1)) {
        std::printf("%04x not written\n", static_cast<unsigned>(unit));
      }
      if (pass == 1 && (!settings.GetParam(&data, 2, "Letters", Utf8(unit).c_str(), -1) || data != unit)) {
        std::printf("%04x reads %04x\n", static_cast<unsigned>(unit), static_cast<unsigned>(data));
      }
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string base = std::string("Software\\VemMiscTranscript\\") + (argc > 1 ? argv[1] : "");
  if (argc == 3 && std::string(argv[2]) == "letters") return RunLetters(base + "L");
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s RUN SEED COUNT | %s RUN letters\n", argv[0], argv[0]);
    return 2;
  }
  // The storage type and the defaults: the same answers on both.
  std::printf("InitSettings %d%d%d\n", SettingsManager::InitSettings("HKEY_USERS", "x", 1),
              SettingsManager::InitSettings(nullptr, nullptr, -1), SettingsManager::InitSettings(nullptr, nullptr, 0));
  try {
    SettingsManager("HKEY_CURRENT_USER", base.c_str(), 2);
  } catch (const std::bad_alloc& error) {
    std::printf("type 2: %s\n", error.what());
  }
  return RunCalls(base, std::strtoull(argv[2], nullptr, 10), std::strtol(argv[3], nullptr, 10));
}
