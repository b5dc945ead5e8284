// The command line in reg.exe's syntax: a command, its operands (KEY, FILE)
// and its switches, which start with '/' or '-' and ignore letter case;
// "/?", "-?" and "--help" ask for usage.
#ifndef VEMMISC_TOOLS_VEMREG_COMMAND_LINE_H_
#define VEMMISC_TOOLS_VEMREG_COMMAND_LINE_H_

#include <optional>
#include <string>
#include <vector>

namespace vem {

enum class Command { kNone, kQuery, kAdd, kDelete, kExport, kImport };

struct CommandLine {
  Command command = Command::kNone;
  std::vector<std::string> operands;
  bool help = false;                      // /?
  std::optional<std::string> value_name;  // /v NAME
  bool default_value = false;             // /ve
  bool all_values = false;                // /va
  bool recursive = false;                 // /s (query)
  std::optional<std::string> separator;   // /s SEPARATOR (add)
  std::optional<std::string> type;        // /t TYPE
  std::optional<std::string> data;        // /d DATA
  bool force = false;                     // /f
  bool overwrite = false;                 // /y
  bool ansi = false;                      // /a
};

// Parses argv[1..argc-1]. Each command takes only its own switches, each at
// most once, and exactly its operands (none are needed with /?). False with
// *error set otherwise.
bool ParseCommandLine(int argc, const char* const* argv, CommandLine* line, std::string* error);

// The usage text of a command, or of the tool (every command) for
// Command::kNone.
std::string UsageText(Command command);

}  // namespace vem

#endif  // VEMMISC_TOOLS_VEMREG_COMMAND_LINE_H_
