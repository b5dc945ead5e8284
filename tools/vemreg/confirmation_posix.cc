#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "text/name_case.h"
#include "tools/vemreg/confirmation.h"

namespace vem {

bool Confirm(const std::string& question, bool forced, const char* force_switch, std::string* error) {
  if (forced) return true;
  if (!isatty(STDIN_FILENO)) {
    *error = std::string("Standard input is not a terminal, so there is no one to confirm; add ") + force_switch +
             " to go ahead without asking.";
    return false;
  }
  std::cout << question << " (Yes/No)? " << std::flush;
  std::string answer;
  std::getline(std::cin, answer);
  if (SameName(answer, "y") || SameName(answer, "yes")) {
    return true;
  }
  *error = "The operation was cancelled; nothing was changed.";
  return false;
}

}  // namespace vem
