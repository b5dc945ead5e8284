// The boxes that the dialog tests of both platforms show: one of each kind,
// with texts that a markup or format parser, an odd unit or an absent text
// would change, and the large messages.
#ifndef VEMMISC_TESTS_MSGBOX_BOX_CASES_H_
#define VEMMISC_TESTS_MSGBOX_BOX_CASES_H_

#include <cstddef>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "VemMsgBox.h"

namespace vem_test {

using WideText = std::basic_string<VemWChar>;

inline WideText Widen(const std::string& ascii) { return WideText(ascii.begin(), ascii.end()); }

// What a box shows for an absent comment and message.
constexpr const char* kAbsentComment = "The comment is absent for this message";
constexpr const char* kAbsentMessage = "Undefined error";

// `text` is passed as both comment and message (absent when `given` is
// false); `shown` is how the Linux dialog shows it: UTF-8, each unpaired
// surrogate replaced. Every kind not listed shows the information icon.
struct BoxCase {
  std::int32_t kind;
  bool given;
  WideText text;
  std::string shown;
  const char* icon;  // the icon theme's name
  int iconId;        // the Windows resource
};

// Control characters (all but the line breaks), lone and reversed
// surrogates, and a pair, as the library's callers may pass them.
inline WideText OddUnits() {
  return {0x01, 0x07,   '\t', 0x0B,   0x0C,   0x1B, 0x7F,   '|',    0xD800,
          '|',  0xDC00, '|',  0xDC00, 0xD800, '|',  0xD83D, 0xDE00, '|'};
}

inline std::vector<BoxCase> BoxCases() {
  const std::string
      markup = "V <b>&amp; %s </i>",
      odd = "\x01\x07\t\x0B\x0C\x1B\x7F|\xEF\xBF\xBD|\xEF\xBF\xBD|\xEF\xBF\xBD\xEF\xBF\xBD|\xF0\x9F\x98\x80|";
  return {{0, false, {}, {}, "question", 110},
          {1, true, Widen(markup), markup, "information", 111},
          {2, true, {}, {}, "warning", 107},
          {3, true, OddUnits(), odd, "error", 106},
          {4, true, Widen("m"), "m", "information", 111},
          {-1, true, Widen("m"), "m", "information", 111}};
}

// The last word of every large message: a line drawn across the field,
// which no word of letters draws, so the screen shows when the end is in
// sight.
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

}  // namespace vem_test

#endif  // VEMMISC_TESTS_MSGBOX_BOX_CASES_H_
