// The large and unusual messages that the box tests of both platforms show.
#ifndef VEMMISC_TESTS_MSGBOX_LARGE_MESSAGES_H_
#define VEMMISC_TESTS_MSGBOX_LARGE_MESSAGES_H_

#include <cstddef>
#include <ostream>
#include <random>
#include <string>

#include "VemMsgBox.h"

namespace vem_test {

using WideText = std::basic_string<VemWChar>;

// The last word of every message: a line drawn across the field, which no
// word of letters draws, so the screen shows when the end is in sight.
inline WideText EndMark() { return WideText(40, VemWChar('_')); }

// `size` units of seeded words of 1 to 12 letters, a CR LF every
// size / `lines` units (none for 0), then the end mark.
inline WideText Words(std::size_t size, std::size_t lines) {
  std::mt19937 random(15);
  WideText text;
  const std::size_t line_length = lines == 0 ? size + 1 : size / lines;
  for (std::size_t next_break = line_length; text.size() < size; text += VemWChar(' ')) {
    if (text.size() >= next_break) text += {'\r', '\n'}, next_break += line_length;
    text.append(std::uniform_int_distribution<std::size_t>(1, 12)(random), VemWChar('a' + random() % 26));
  }
  return text + EndMark();
}

struct MessageSize {
  const char* name;
  std::size_t units, lines;
};
constexpr MessageSize kMessageSizes[] = {{"SixtyFourKibibytesOnOneLine", 1 << 16, 0},
                                         {"OneMebibyteOnOneLine", 1 << 20, 0},
                                         {"OneMebibyteInTenThousandLines", 1 << 20, 10000},
                                         {"SixteenMebibytesOnOneLine", 16 << 20, 0}};
inline void PrintTo(const MessageSize& size, std::ostream* out) { *out << size.name; }

// Control characters (all but the line breaks), lone and reversed
// surrogates, and a pair, as the library's callers may pass them.
inline WideText OddUnits() {
  return {0x01, 0x07,   '\t', 0x0B,   0x0C,   0x1B, 0x7F,   '|',    0xD800,
          '|',  0xDC00, '|',  0xDC00, 0xD800, '|',  0xD83D, 0xDE00, '|'};
}

}  // namespace vem_test

#endif  // VEMMISC_TESTS_MSGBOX_LARGE_MESSAGES_H_
