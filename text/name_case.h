// Registry names compared without regard to letter case: the one rule that
// the registry hive and the vemreg tool share.
//
// Two names are the same name when their UTF-16 code units are equal after
// each unit is mapped to its upper case (UpperCaseUnit): "Äpfel" and "ÄPFEL",
// "σ" and "Σ" are one name; "ß" and "SS" are not, nor are characters outside
// the Basic Multilingual Plane of different case. Narrow names are UTF-8:
// their characters are compared, and every byte that is not part of a valid
// UTF-8 sequence compares as itself (equal only to the same byte). Callers
// keep a name in the spelling it was created with; only comparisons fold.
#ifndef VEMMISC_TEXT_NAME_CASE_H_
#define VEMMISC_TEXT_NAME_CASE_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace vem {

// The upper case of one UTF-16 code unit, or the unit itself when it has
// none that maps back to it (only such one-to-one pairs fold).
uint16_t UpperCaseUnit(uint16_t unit);

// A name's comparison key: its upper-cased UTF-16 units, each as two bytes,
// high byte first; a byte outside valid UTF-8 becomes the lone unit
// 0xDC00 + byte, which valid text never yields. Two names are the same name
// exactly when their keys are equal, and comparing keys byte for byte orders
// names by upper-cased code unit: the hive's own order. (regedit lists names
// by lower-cased code unit, which sorts "_" before the letters; vemreg's
// exports derive that order from the same pairs.)
std::string NameKey(std::string_view name);

// Orders two names as their keys order (negative, zero, positive) without
// building the keys; zero exactly when they are the same name.
int CompareNames(std::string_view a, std::string_view b);

inline bool SameName(std::string_view a, std::string_view b) { return CompareNames(a, b) == 0; }

}  // namespace vem

#endif  // VEMMISC_TEXT_NAME_CASE_H_
