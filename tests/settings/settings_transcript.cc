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
#include <algorithm>
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
  uint32_t Below(uint32_t bound) {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return static_cast<uint32_t>((state_ * 0x2545F4914F6CDD1Dull) >> 32) % bound;
  }
  bool OneIn(uint32_t n) { return Below(n) == 0; }

 private:
  uint64_t state_;
};

// Spellings that the registry may or may not take for one letter: the first
// two are mostly chosen (a case pair, where the letter has one); then variant
// forms without a pair (dotless i, long s, final sigma, micro sign,
// Kelvin and Ångström signs, title-case digraphs), letters beyond the Basic
// Multilingual Plane, and letters without case.
const std::vector<std::vector<const char*>> kLetters = {
    {"a", "A"},
    {"z", "Z"},
    {"0"},
    {"_"},
    {" "},
    {"."},
    {"\xC3\xA4", "\xC3\x84"},  // ä Ä
    {"\xC3\x9F"},
    {"\xE1\xBA\x9E"},                                              // ß ẞ
    {"\xCF\x83", "\xCE\xA3", "\xCF\x82"},                          // σ Σ ς
    {"\xD0\xB6", "\xD0\x96"},                                      // ж Ж
    {"i", "I", "\xC4\xB1", "\xC4\xB0"},                            // i I ı İ
    {"s", "S", "\xC5\xBF"},                                        // s S ſ
    {"\xCE\xBC", "\xCE\x9C", "\xC2\xB5"},                          // μ Μ µ
    {"\xC7\x86", "\xC7\x84", "\xC7\x85"},                          // ǆ Ǆ ǅ
    {"\xE1\xBE\xB3", "\xE1\xBE\xBC"},                              // ᾳ ᾼ
    {"k", "K", "\xE2\x84\xAA"},                                    // k K Kelvin sign
    {"\xC3\xA5", "\xC3\x85", "\xE2\x84\xAB"},                      // å Å Ångström sign
    {"\xC3\xBF", "\xC5\xB8"},                                      // ÿ Ÿ
    {"\xF0\x90\x90\x80", "\xF0\x90\x90\x80", "\xF0\x90\x90\xA8"},  // Deseret 𐐀 𐐀 𐐨
    {"\xF0\x9F\x98\x80"},                                          // 😀
    {"\xEF\xBD\x81", "\xEF\xBC\xA1"},                              // fullwidth a A
};

// A name as letters of kLetters, spelled anew with each use.
typedef std::vector<uint8_t> Letters;

class CallGenerator {
 public:
  explicit CallGenerator(uint64_t seed) : random_(seed) {}

  // A new name of `length` letters while there are fewer than `most`, else
  // mostly one used before, in a new spelling.
  std::string Name(std::vector<Letters>* used, size_t length, size_t most) {
    if (used->size() < most || random_.OneIn(2000)) used->push_back(NewLetters(length));
    return Spell((*used)[Pick(used->size())]);
  }

  // A key path of one to three levels, mostly one used before, now and
  // then with empty levels, a leading backslash, a level at or beyond the
  // name limit. Paths stay within 260 characters (the narrow registry calls
  // of Windows take no longer ones) unless a level is beyond the limit.
  std::string Section() {
    switch (random_.Below(40)) {
      case 0: return "";
      case 1: return "\\";
      case 2: return "\\" + Level();
      case 3: return std::string(255, 'L');
      case 4: return std::string(257, 'l');
      case 5: return "L\\" + std::string(300, 'l');
      default: break;
    }
    if (sections_.size() < 5 || random_.OneIn(2000)) {
      std::vector<Letters> levels(1 + random_.Below(3));
      for (Letters& level : levels) level = NewLetters(1 + random_.Below(5));
      sections_.push_back(levels);
    }
    const std::vector<Letters>& levels = sections_[Pick(sections_.size())];
    std::string path;
    for (const Letters& level : levels) {
      if (!path.empty()) path += random_.OneIn(6) ? "\\\\" : "\\";
      path += Spell(level);
    }
    if (random_.OneIn(8)) path += "\\";
    return path;
  }

  // A value name: short, or now and then at or just beyond the limit.
  std::string ValueName() {
    if (random_.OneIn(400)) return std::string(16383, 'v');
    if (random_.OneIn(400)) return std::string(16384, 'v');
    std::string name = Name(&value_names_, 1 + random_.Below(6), 6);
    if (random_.OneIn(20)) name += "\\x";  // a backslash is a value name's letter
    return name;
  }

  std::string Text() { return Name(&texts_, 1 + random_.Below(4), 1000); }

  int32_t Index() {
    const int32_t kIndexes[] = {0, 1, 7, -2, INT_MIN, INT_MAX};
    return random_.Below(10) < 7 ? -1 : kIndexes[random_.Below(6)];
  }

  std::vector<uint8_t> Bytes(size_t most) {
    std::vector<uint8_t> bytes(random_.Below(static_cast<uint32_t>(most + 1)));
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random_.Below(256));
    return bytes;
  }

  Random& random() { return random_; }

 private:
  uint32_t Pick(size_t count) { return random_.Below(static_cast<uint32_t>(count)); }

  std::string Level() { return Spell(NewLetters(1 + random_.Below(5))); }

  Letters NewLetters(size_t length) {
    Letters letters(length);
    for (uint8_t& letter : letters) {
      letter = static_cast<uint8_t>(Pick(kLetters.size()));
    }
    return letters;
  }

  // Mostly the first two spellings (a case pair, where the letter has one).

  std::string Spell(const Letters& letters) {
    std::string text;
    for (uint8_t letter : letters) {
      const std::vector<const char*>& spellings = kLetters[letter];
      const size_t pair = std::min<size_t>(2, spellings.size());
      const size_t choices = random_.OneIn(30) ? spellings.size() : pair;
      text += spellings[Pick(choices)];
    }
    return text;
  }

  Random random_;
  std::vector<std::vector<Letters>> sections_;
  std::vector<Letters> value_names_;
  std::vector<Letters> texts_;
};

std::string Hex(const void* data, size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (size_t i = 0; i < size; ++i) {
    const uint8_t byte = static_cast<const uint8_t*>(data)[i];
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 15];
  }
  return hex;
}

// Generated calls on a few objects whose paths differ (one of them with
// empty levels, one refused for its leading backslash).
int RunCalls(const std::string& base, uint64_t seed, long count) {
  CallGenerator generate(seed);
  std::vector<SettingsManager> objects;
  for (const std::string& path : {base,
                                  base + "\\Gr\xC3\xB6\xC3\x9F"
                                         "e",
                                  base + "\\\\GR\xC3\x96\xC3\x9F"
                                         "E\\\\",
                                  "\\" + base}) {
    objects.emplace_back("HKEY_CURRENT_USER", path.c_str(), 0);
  }
  for (long call = 0; call < count; ++call) {
    Random& random = generate.random();
    SettingsManager& settings = objects[random.Below(static_cast<uint32_t>(objects.size()))];
    const std::string section = generate.Section();
    const std::string name = generate.ValueName();
    const int32_t index = generate.Index();
    std::string line = std::to_string(call);
    switch (random.Below(5)) {
      case 0: {
        const std::vector<uint8_t> data = generate.Bytes(16);
        line += " SetParam " + std::to_string(settings.SetParam(data.data(), static_cast<int32_t>(data.size()),
                                                                section.c_str(), name.c_str(), index));
        break;
      }
      case 1: {
        const std::string text = generate.Text();
        line += " SetString " + std::to_string(settings.SetString(&text, section.c_str(), name.c_str(), index));
        break;
      }
      case 2: {
        const int32_t capacity = static_cast<int32_t>(random.Below(20));
        std::vector<uint8_t> buffer(static_cast<size_t>(capacity) + 1, 0xCC);
        const bool read = settings.GetParam(buffer.data(), capacity, section.c_str(), name.c_str(), index);
        line += " GetParam " + std::to_string(read);
        if (read) line += " " + Hex(buffer.data(), buffer.size());
        break;
      }
      case 3:
        line += " GetParamDataLen " + std::to_string(settings.GetParamDataLen(section.c_str(), name.c_str(), index));
        break;
      default: {
        std::string text = "unread";
        const bool read = settings.GetString(&text, section.c_str(), name.c_str(), index);
        line += " GetString " + std::to_string(read) + " " + Hex(text.data(), text.size());
        break;
      }
    }
    std::puts(line.c_str());
  }
  return 0;
}

std::string Utf8(uint32_t unit) {
  std::string text;
  if (unit < 0x80) {
    text += static_cast<char>(unit);
  } else if (unit < 0x800) {
    text += static_cast<char>(0xC0 | unit >> 6);
    text += static_cast<char>(0x80 | (unit & 0x3F));
  } else {
    text += static_cast<char>(0xE0 | unit >> 12);
    text += static_cast<char>(0x80 | (unit >> 6 & 0x3F));
    text += static_cast<char>(0x80 | (unit & 0x3F));
  }
  return text;
}

// Every code unit but NUL and the surrogates becomes a one-letter value name,
// written in order with the unit as its data; reading each name back then
// yields the last unit written that the registry takes for the same letter.
// Prints the units that read back another unit: the registry's letter case.
int RunLetters(const std::string& base) {
  SettingsManager settings("HKEY_CURRENT_USER", base.c_str(), 0);
  std::vector<uint32_t> units;
  for (uint32_t unit = 1; unit < 0x10000; ++unit) {
    if (unit < 0xD800 || unit > 0xDFFF) units.push_back(unit);
  }
  for (uint32_t unit : units) {
    const uint16_t data = static_cast<uint16_t>(unit);
    if (!settings.SetParam(&data, 2, "Letters", Utf8(unit).c_str(), -1)) {
      std::printf("%04x not written\n", static_cast<unsigned>(unit));
    }
  }
  for (uint32_t unit : units) {
    uint16_t data = 0;
    if (!settings.GetParam(&data, 2, "Letters", Utf8(unit).c_str(), -1) || data != unit) {
      std::printf("%04x reads %04x\n", static_cast<unsigned>(unit), static_cast<unsigned>(data));
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[2]) == "letters") {
    return RunLetters(std::string("Software\\VemMiscTranscript\\") + argv[1] + "L");
  }
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s RUN SEED COUNT | %s RUN letters\n", argv[0], argv[0]);
    return 2;
  }
  return RunCalls(std::string("Software\\VemMiscTranscript\\") + argv[1], std::strtoull(argv[2], nullptr, 10),
                  std::strtol(argv[3], nullptr, 10));
}
