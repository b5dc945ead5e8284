// Questions asked before a change that cannot be undone. They are asked only
// on a terminal; elsewhere (scripts, pipes) the change needs its switch.
#ifndef VEMMISC_TOOLS_VEMREG_CONFIRMATION_H_
#define VEMMISC_TOOLS_VEMREG_CONFIRMATION_H_

#include <string>

namespace vem {

// True at once when `forced` (the user gave `force_switch`). Otherwise, when
// standard input is a terminal, asks `question` with "(Yes/No)?" and is true
// for y or yes in any letter case. False with *error set when the user said
// no or when there is no terminal to ask on.
bool Confirm(const std::string& question, bool forced, const char* force_switch, std::string* error);

}  // namespace vem

#endif  // VEMMISC_TOOLS_VEMREG_CONFIRMATION_H_
