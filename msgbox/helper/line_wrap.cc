#include "msgbox/helper/line_wrap.h"

#include <utility>

namespace vem {

CharacterWidths::CharacterWidths(std::function<int(char32_t)> measure)
    : measure_(std::move(measure)), direct_(kDirect, -1) {}

char32_t NextCharacter(std::string_view text, std::size_t* at) {
  const unsigned char lead = static_cast<unsigned char>(text[*at]);
  const int length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (length <= 1 || *at + length > text.size()) {
    ++*at;
    return length == 1 ? lead : 0xFFFD;
  }
  char32_t character = lead & (0x7F >> length);
  for (int i = 1; i < length; ++i) {
    const unsigned char next = static_cast<unsigned char>(text[*at + i]);
    if ((next & 0xC0) != 0x80) {
      ++*at;
      return 0xFFFD;
    }
    character = character << 6 | (next & 0x3F);
  }
  *at += length;
  return character;
}

std::vector<DisplayLine> WrapLines(std::string_view text, int width, int tab_stop, CharacterWidths& widths) {
  std::vector<DisplayLine> lines;
  std::size_t start = 0;   // of the line being filled
  std::size_t resume = 0;  // where its last word begins, after spaces; == start when none
  int x = 0;               // width of the line so far
  int resume_x = 0;        // width up to `resume`
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t here = at;
    const char32_t character = NextCharacter(text, &at);
    if (character == '\r' || character == '\n') {
      lines.push_back({start, here});
      if (character == '\r' && at < text.size() && text[at] == '\n') ++at;
      start = resume = at;
      x = resume_x = 0;
      continue;
    }
    if (character == ' ' || character == '\t') {
      x = character == ' ' ? x + widths.Of(' ') : (x / tab_stop + 1) * tab_stop;
      resume = at;
      resume_x = x;
      continue;
    }
    const int advance = widths.Of(character);
    if (x + advance > width && here > start) {
      if (resume > start) {
        // The last word moves down whole, unless it began this very line.
        lines.push_back({start, resume});
        start = resume;
        x -= resume_x;
      } else {
        lines.push_back({start, here});
        start = resume = here;
        x = 0;
      }
      resume_x = 0;
      if (x + advance > width && here > start) {  // the moved word alone is too wide
        lines.push_back({start, here});
        start = resume = here;
        x = 0;
      }
    }
    x += advance;
  }
  lines.push_back({start, text.size()});
  return lines;
}

}  // namespace vem
