// Comparison without regard to ASCII letter case, as the hive compares names
// (other characters must match exactly).
#ifndef VEMMISC_TOOLS_VEMREG_ASCII_CASE_H
#define VEMMISC_TOOLS_VEMREG_ASCII_CASE_H

#include <string_view>

namespace vem {

inline char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

}  // namespace vem

#endif  // VEMMISC_TOOLS_VEMREG_ASCII_CASE_H
