// Word wrap of a text into display lines, as a multi-line edit field wraps
// it: paragraphs end at CR LF, LF or CR; a line breaks after the spaces or
// tabs that end its last whole word, and a word wider than the field is
// broken between characters. Spaces at a break hang past the right edge.
//
// The widths come from the caller, one character at a time, so a text of any
// length is wrapped in one linear pass without laying it out as a whole.
#ifndef VEMMISC_MSGBOX_HELPER_LINE_WRAP_H_
#define VEMMISC_MSGBOX_HELPER_LINE_WRAP_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vem {

// A display line: bytes [start, end) of the text, without its line break.
struct DisplayLine {
  std::size_t start;
  std::size_t end;
};

// Advance widths of characters, in any fixed unit, asked of `measure` the
// first time each character is met and remembered.
class CharacterWidths {
 public:
  explicit CharacterWidths(std::function<int(char32_t)> measure);
  int Of(char32_t character) {
    if (character < kDirect) {
      int& width = direct_[character];
      return width >= 0 ? width : width = measure_(character);
    }
    const auto found = others_.find(character);
    return found != others_.end() ? found->second : others_[character] = measure_(character);
  }

 private:
  static constexpr char32_t kDirect = 0x800;  // Latin, Greek, Cyrillic, Hebrew, Arabic, ...
  std::function<int(char32_t)> measure_;
  std::vector<int> direct_;
  std::unordered_map<char32_t, int> others_;
};

// The display lines of `text` (UTF-8) in a field `width` wide, tab stops
// every `tab_stop`. Every byte of the text is in a line or a line break; an
// empty text, and a text ending in a line break, end with an empty line.
std::vector<DisplayLine> WrapLines(std::string_view text, int width, int tab_stop, CharacterWidths& widths);

// The code point whose UTF-8 sequence starts at text[*at], moving *at past
// it; a malformed byte is taken alone, as U+FFFD.
char32_t NextCharacter(std::string_view text, std::size_t* at);

}  // namespace vem

#endif  // VEMMISC_MSGBOX_HELPER_LINE_WRAP_H_
