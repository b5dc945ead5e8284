#include "tools/vemreg/confirmation.h"

#include <strings.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

namespace vem {

bool Confirm(const std::string& question, bool forced, const char* force_switch,
             std::string* error) {
  if (forced) return true;
  if (!isatty(STDIN_FILENO)) {
    *error = std::string("Standard input is not a terminal, so there is no one to confirm; add ") +
             force_switch + " to go ahead without asking.";
    return false;
  }
  std::cout << question << " (Yes/No)? " << std::flush;
  std::string answer;
  std::getline(std::cin, answer);
  if (strcasecmp(answer.c_str(), "y") == 0 || strcasecmp(answer.c_str(), "yes") == 0) {
    return true;
  }
  *error = "The operation was cancelled; nothing was changed.";
  return false;
}

}  // namespace vem
