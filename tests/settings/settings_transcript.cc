// Drives SettingsManager with calls generated from a seed and prints one line
// per call: its number, the operation, the result and what was read. The
// program is built for Linux (the registry hive) and for Windows (run under
// Wine, against Wine's registry); compare_transcripts.sh runs both with the
// same seed, and the registry's rules hold on Linux when the two transcripts
// are equal.
//
// Usage: settings_transcript RUN SEED COUNT
// prints every UTF-16 code unit's letter case, then COUNT generated calls.
// RUN names the run's key below HKEY_CURRENT_USER\Software, so that runs in
// one registry do not meet. Names are UTF-8, the Windows build's code page.
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "VemSettings.h"

namespace {

// The standard fixes this engine's numbers: the same from the same seed on
// every platform (its distributions are not fixed, so none is used).
std::mt19937_64 g_random;

uint32_t Below(size_t bound) { return static_cast<uint32_t>(g_random() % bound); }
bool OneIn(uint32_t n) { return Below(n) == 0; }

// Spellings of one letter, split at '|': mostly one of the first two (a case
// pair, where the letter has one), now and then a variant without a pair
// (dotless i, long s, final sigma, micro, Kelvin and Ångström signs,
// title-case digraphs), letters beyond the BMP. "ß" is not "ss". One byte
// that is no UTF-8: only one, since Windows reads every such byte as U+FFFD.
// The backslash, single or doubled, splits a section into levels (an empty
// one where doubled, leading or trailing); in a value name it is a letter.
const char* const kLetters[] = {"a|A",        "0",     "_",   " ",       ".",     "ä|Ä",   "ß",     "ẞ",
                                "ss|SS|sS",   "σ|Σ|ς", "ж|Ж", "i|I|ı|İ", "s|S|ſ", "μ|Μ|µ", "ǆ|Ǆ|ǅ", "k|K|\u212A",
                                "å|Å|\u212B", "ÿ|Ÿ",   "ᾳ|ᾼ", "𐐨|𐐀",     "😀",     "ａ|Ａ", "\xFF",  "\\|\\\\"};

// Names at and beyond the registry's limits (in UTF-16 code units: "ä" is
// one, "𐐨" two; Wine takes a key name of 256), the empty section and lone
// backslashes: a letter repeated.
typedef std::pair<const char*, int> Repeated;  // a letter, and how often
const Repeated kOddSections[] = {{"", 0}, {"\\", 1}, {"\\", 2}, {"L", 255}, {"l", 257}, {"ä", 255}, {"𐐨", 129}};
const Repeated kLongNames[] = {{"v", 16383}, {"v", 16384}, {"ж", 16383}, {"😀", 8192}};

typedef std::vector<uint8_t> Letters;  // indexes into kLetters, spelled anew at each use

Letters NewLetters(size_t length) {
  Letters letters(length);
  for (uint8_t& letter : letters) letter = static_cast<uint8_t>(Below(std::size(kLetters)));
  return letters;
}

std::string Spell(const Letters& letters) {
  std::string text;
  for (uint8_t letter : letters) {
    std::vector<std::string> spellings(1);
    for (const char* c = kLetters[letter]; *c != '\0'; ++c)
      *c == '|' ? spellings.emplace_back() : spellings.back() += *c;
    text += spellings[Below(OneIn(30) || spellings.size() < 2 ? spellings.size() : 2)];
  }
  return text;
}

// One of the names in `pool`, spelled anew; now and then it is replaced by a
// new name of up to `most` letters.
std::string Pick(std::vector<Letters>* pool, size_t most) {
  Letters& letters = (*pool)[Below(pool->size())];
  if (letters.empty() || OneIn(300)) letters = NewLetters(1 + Below(most));
  return Spell(letters);
}

template <size_t N>
std::string Repeat(const Repeated (&table)[N]) {
  const Repeated& pick = table[Below(N)];
  std::string text;
  for (int i = 0; i < pick.second; ++i) text += pick.first;
  return text;
}

// Generated calls, one a line: its number, the call, its result and what it
// read. The objects' paths differ (one with empty levels, one refused for its
// leading backslash), and some roots are none of the five.
int RunCalls(const std::string& base, uint64_t seed, long count) {
  g_random.seed(seed);
  std::vector<Letters> sections(6), value_names(8);  // the names in use
  std::vector<SettingsManager> objects;
  for (const std::string& path : {base, base + "\\Größe", base + "\\\\GRÖßE\\\\", "\\" + base}) {
    objects.emplace_back("HKEY_CURRENT_USER", path.c_str(), 0);
  }
  for (const char* root : {"hkey_current_user", "HKCU", ""}) objects.emplace_back(root, base.c_str(), 0);
  const int32_t kIndexes[] = {0, 1, 7, -2, INT_MIN, INT_MAX};
  const char* const kCalls[] = {"SetParam", "SetString", "GetParam", "GetParamDataLen", "GetString"};
  for (long call = 0; call < count; ++call) {
    SettingsManager& settings = objects[Below(OneIn(8) ? objects.size() : 3)];
    const std::string section = OneIn(30) ? Repeat(kOddSections) : Pick(&sections, 10);
    const std::string value_name = OneIn(300) ? Repeat(kLongNames) : Pick(&value_names, 6);
    const char* const name = OneIn(100) ? nullptr : value_name.c_str();
    const int32_t index = Below(10) < 7 ? -1 : kIndexes[Below(6)];
    const uint32_t op = Below(5);
    // The data written, of every size and now and then a large one; or a
    // buffer of every size (too small ones included) and a byte more, which
    // no read may change. A negative size fails.
    std::vector<uint8_t> data(op == 0 ? (OneIn(50) ? 4000 + Below(4000) : Below(17)) : 1 + Below(20), 0xCC);
    for (uint8_t& byte : data) byte = op == 0 ? static_cast<uint8_t>(Below(256)) : byte;
    const int32_t size = (OneIn(100) ? -1 : 1) * static_cast<int32_t>(data.size() - (op == 0 ? 0 : 1));
    std::string text = op == 1 ? Spell(NewLetters(Below(5))) : "unread";
    long result = 0;
    switch (op) {
      case 0: result = settings.SetParam(data.data(), size, section.c_str(), name, index); break;
      case 1: result = settings.SetString(&text, section.c_str(), name, index); break;
      case 2: result = settings.GetParam(data.data(), size, section.c_str(), name, index); break;
      case 3: result = settings.GetParamDataLen(section.c_str(), name, index); break;
      default: result = settings.GetString(&text, section.c_str(), name, index);
    }
    const std::string read = op == 2 && result ? std::string(data.begin(), data.end()) : op == 4 ? text : "";
    std::printf("%ld %s %ld ", call, kCalls[op], result);
    for (const char byte : read) std::printf("%02x", static_cast<unsigned>(static_cast<uint8_t>(byte)));
    std::puts("");
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
// Prints the units whose write fails or that read back another unit: the
// registry's letter case.
void PrintLetterCase(const std::string& base) {
  SettingsManager settings("HKEY_CURRENT_USER", base.c_str(), 0);
  for (int pass = 0; pass < 2; ++pass) {
    for (uint32_t unit = 1; unit < 0x10000; ++unit) {
      uint16_t data = static_cast<uint16_t>(unit);
      const std::string name = Utf8(unit);
      if ((unit < 0xD800 || unit > 0xDFFF) &&
          !(pass == 0 ? settings.SetParam(&data, 2, "Letters", name.c_str(), -1)
                      : settings.GetParam(&data, 2, "Letters", name.c_str(), -1) && data == unit)) {
        std::printf("pass %d: %04x %04x\n", pass, static_cast<unsigned>(unit), static_cast<unsigned>(data));
      }
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string base = std::string("Software\\VemMiscTranscript\\") + (argc > 1 ? argv[1] : "");
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s RUN SEED COUNT\n", argv[0]);
    return 2;
  }
  PrintLetterCase(base);
  return RunCalls(base, std::strtoull(argv[2], nullptr, 10), std::strtol(argv[3], nullptr, 10));
}
