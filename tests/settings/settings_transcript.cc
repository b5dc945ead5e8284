// Drives SettingsManager with calls generated from a seed and prints one line
// per call: its number, the operation (0 SetParam, 1 SetString, 2 GetParam,
// 3 GetParamDataLen, 4 GetString), the result and what was read. The
// program is built for Linux (the registry hive) and for Windows (run under
// Wine, against Wine's registry); compare_transcripts.sh runs both with the
// same seed, and the registry's rules hold on Linux when the two transcripts
// are equal.
//
// Usage: settings_transcript RUN SEED COUNT
// prints every UTF-16 code unit's letter case, then COUNT generated calls.
// RUN names the run's key below HKEY_CURRENT_USER\Software, so that runs in
// one registry do not meet. Names are UTF-8, the Windows build's code page.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <random>
#include <string>
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

typedef std::vector<uint8_t> Letters;  // indexes into kLetters, spelled anew at each use

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
  if (letters.empty() || OneIn(300)) {
    letters.resize(1 + Below(most));
    for (uint8_t& letter : letters) letter = static_cast<uint8_t>(Below(std::size(kLetters)));
  }
  return Spell(letters);
}

// A name of one letter repeated: not at all, once or twice (a lone
// backslash, say), or up to and just beyond `limit` UTF-16 code units when
// the letter takes one unit (a letter beyond the BMP takes two). Wine takes a
// key name of 256 units, so the name beyond the limit is two units longer.
std::string Repeated(size_t limit) {
  const size_t counts[] = {0, 1, 2, limit, limit + 2};
  return Spell(Letters(counts[Below(std::size(counts))], static_cast<uint8_t>(Below(std::size(kLetters)))));
}

// Generated calls, one a line: its number, the call, its result and what it
// read. (What SettingsManager checks itself before it calls the registry,
// such as null names and negative sizes, is the same code on both sides and
// left to the hive tests.)
void RunCalls(SettingsManager& settings, uint64_t seed, long count) {
  g_random.seed(seed);
  std::vector<Letters> sections(6), value_names(8);  // the names in use
  for (long call = 0; call < count; ++call) {
    const std::string section = OneIn(30) ? Repeated(255) : Pick(&sections, 10);
    const std::string value_name = OneIn(300) ? Repeated(16383) : Pick(&value_names, 6);
    const int32_t index = Below(10) < 7 ? -1 : static_cast<int32_t>(Below(12));
    const uint32_t op = Below(5);
    // The data written, of every size and now and then a large one; or a
    // buffer of every size (too small ones included) and a byte more, which
    // no read may change.
    std::vector<uint8_t> data(op == 0 ? (OneIn(50) ? 4000 + Below(4000) : Below(17)) : 1 + Below(20), 0xCC);
    for (uint8_t& byte : data) byte = op == 0 ? static_cast<uint8_t>(Below(256)) : byte;
    const int32_t size = static_cast<int32_t>(data.size() - (op == 0 ? 0 : 1));
    std::string text = op == 1 ? section : "unread";
    long result = 0;
    switch (op) {
      case 0: result = settings.SetParam(data.data(), size, section.c_str(), value_name.c_str(), index); break;
      case 1: result = settings.SetString(&text, section.c_str(), value_name.c_str(), index); break;
      case 2: result = settings.GetParam(data.data(), size, section.c_str(), value_name.c_str(), index); break;
      case 3: result = settings.GetParamDataLen(section.c_str(), value_name.c_str(), index); break;
      default: result = settings.GetString(&text, section.c_str(), value_name.c_str(), index);
    }
    const std::string read = op == 2 && result ? std::string(data.begin(), data.end()) : op == 4 ? text : "";
    std::printf("%ld %u %ld ", call, static_cast<unsigned>(op), result);
    for (const char byte : read) std::printf("%02x", static_cast<unsigned>(static_cast<uint8_t>(byte)));
    std::puts("");
  }
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
void PrintLetterCase(SettingsManager& settings) {
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
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s RUN SEED COUNT\n", argv[0]);
    return 2;
  }
  SettingsManager settings("HKEY_CURRENT_USER", ("Software\\VemMiscTranscript\\" + std::string(argv[1])).c_str(), 0);
  PrintLetterCase(settings);
  RunCalls(settings, std::strtoull(argv[2], nullptr, 10), std::strtol(argv[3], nullptr, 10));
  return 0;
}
