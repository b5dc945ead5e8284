// The five commands. Each runs one parsed command line, writes its output on
// standard output and returns true, or returns false with *error set to a
// one-line message, having changed nothing.
#ifndef VEMMISC_TOOLS_VEMREG_COMMANDS_H_
#define VEMMISC_TOOLS_VEMREG_COMMANDS_H_

#include <string>

#include "tools/vemreg/command_line.h"

namespace vem {

bool RunQuery(const CommandLine& line, std::string* error);
bool RunAdd(const CommandLine& line, std::string* error);
bool RunDelete(const CommandLine& line, std::string* error);
bool RunExport(const CommandLine& line, std::string* error);
bool RunImport(const CommandLine& line, std::string* error);

}  // namespace vem

#endif  // VEMMISC_TOOLS_VEMREG_COMMANDS_H_
