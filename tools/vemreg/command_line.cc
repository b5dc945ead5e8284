#include "tools/vemreg/command_line.h"

#include <cstring>

#include "text/name_case.h"

namespace vem {

namespace {

struct CommandSyntax {
  Command command;
  const char* name;
  // The switches the command takes, each between spaces.
  const char* switches;
  size_t operand_count;
};

const CommandSyntax kCommands[] = {
    {Command::kQuery, "query", " v ve s ", 1},      {Command::kAdd, "add", " v ve t s d f ", 1},
    {Command::kDelete, "delete", " v ve va f ", 1}, {Command::kExport, "export", " y a ", 2},
    {Command::kImport, "import", " ", 1},
};

// Every switch name of every command.
const char* const kAllSwitches[] = {"v", "ve", "va", "s", "t", "d", "f", "y", "a"};

bool IsHelp(const char* arg) {
  return std::strcmp(arg, "/?") == 0 || std::strcmp(arg, "-?") == 0 || std::strcmp(arg, "--help") == 0;
}

// The switch name of `arg` in lower case, or empty for an operand. An
// argument that starts with '/' but names no switch is an operand, since
// that is how an absolute file path starts; after '-' it is a bad switch.
std::string SwitchName(const char* arg) {
  if (arg[0] != '/' && arg[0] != '-') return std::string();
  for (const char* known : kAllSwitches) {
    if (SameName(arg + 1, known)) return known;
  }
  return arg[0] == '-' ? std::string(arg + 1) : std::string();
}

// Records one switch; false with *error set when it is unknown to the
// command, repeated, or lacks its argument.
bool TakeSwitch(const CommandSyntax& syntax, const std::string& name, int argc, const char* const* argv, int* index,
                CommandLine* line, std::string* error) {
  const std::string spaced = " " + name + " ";
  if (std::strstr(syntax.switches, spaced.c_str()) == nullptr) {
    *error = std::string("Invalid switch for ") + syntax.name + ": /" + name + ". Type \"vemreg " + syntax.name +
             " /?\" for usage.";
    return false;
  }
  bool repeated = false;
  auto flag = [&repeated](bool* target) {
    repeated = *target;
    *target = true;
  };
  auto argument = [&](std::optional<std::string>* target) {
    repeated = target->has_value();
    if (*index + 1 >= argc) return false;
    *target = argv[++*index];
    return true;
  };
  bool complete = true;
  if (name == "v") complete = argument(&line->value_name);
  if (name == "t") complete = argument(&line->type);
  if (name == "d") complete = argument(&line->data);
  if (name == "ve") flag(&line->default_value);
  if (name == "va") flag(&line->all_values);
  if (name == "s" && syntax.command == Command::kAdd) complete = argument(&line->separator);
  if (name == "s" && syntax.command != Command::kAdd) flag(&line->recursive);
  if (name == "a") flag(&line->ansi);
  if (name == "f") flag(&line->force);
  if (name == "y") flag(&line->overwrite);
  if (repeated) {
    *error = "The switch /" + name + " is given more than once.";
    return false;
  }
  if (!complete) {
    *error = "The switch /" + name + " needs an argument.";
    return false;
  }
  return true;
}

}  // namespace

bool ParseCommandLine(int argc, const char* const* argv, CommandLine* line, std::string* error) {
  *line = CommandLine();
  if (argc < 2) {
    *error = "No command given. Type \"vemreg /?\" for usage.";
    return false;
  }
  if (IsHelp(argv[1])) {
    line->help = true;
    return argc == 2 || (*error = "Type \"vemreg /?\" for usage.", false);
  }
  const CommandSyntax* syntax = nullptr;
  for (const CommandSyntax& candidate : kCommands) {
    if (SameName(argv[1], candidate.name)) syntax = &candidate;
  }
  if (syntax == nullptr) {
    *error = std::string("Unknown command: ") + argv[1] + ". Type \"vemreg /?\" for usage.";
    return false;
  }
  line->command = syntax->command;
  for (int i = 2; i < argc; ++i) {
    if (IsHelp(argv[i])) {
      line->help = true;
      continue;
    }
    const std::string name = SwitchName(argv[i]);
    if (name.empty()) {
      line->operands.push_back(argv[i]);
      continue;
    }
    if (!TakeSwitch(*syntax, name, argc, argv, &i, line, error)) return false;
  }
  if (line->help) return true;
  if (line->operands.size() != syntax->operand_count) {
    *error = std::string(line->operands.size() < syntax->operand_count ? "Too few" : "Too many") + " operands for " +
             syntax->name + ". Type \"vemreg " + syntax->name + " /?\" for usage.";
    return false;
  }
  const int value_choices = line->value_name.has_value() + line->default_value + line->all_values;
  if (value_choices > 1) {
    *error = "Give only one of /v, /ve and /va.";
    return false;
  }
  return true;
}

std::string UsageText(Command command) {
  static const char* const kUsage[] = {
      // kQuery
      "VEMREG QUERY KEY [/v NAME | /ve] [/s]\n"
      "  Lists the values of KEY and the names of its sub-keys.\n"
      "  /v NAME  only the value NAME        /ve  only the default value\n"
      "  /s       every key below KEY too (with /v or /ve: the value in each)\n",
      // kAdd
      "VEMREG ADD KEY [/v NAME | /ve] [/t TYPE] [/s SEPARATOR] [/d DATA] [/f]\n"
      "  Creates KEY with every missing level and, with /v or /ve (or /t or /d), a value.\n"
      "  /v NAME  the value NAME             /ve  the default value\n"
      "  /t TYPE  REG_SZ (default), REG_MULTI_SZ, REG_EXPAND_SZ, REG_DWORD, REG_QWORD,\n"
      "           REG_BINARY or REG_NONE\n"
      "  /s SEPARATOR  the one character between REG_MULTI_SZ strings (default: \\0)\n"
      "  /d DATA  the value's data: text (REG_SZ, REG_EXPAND_SZ, REG_NONE), strings\n"
      "           separated by \\0 (REG_MULTI_SZ), a number in decimal or as 0x and\n"
      "           hex digits (REG_DWORD, REG_QWORD), hex digits (REG_BINARY)\n"
      "  /f       replace an existing value without asking\n",
      // kDelete
      "VEMREG DELETE KEY [/v NAME | /ve | /va] [/f]\n"
      "  Deletes KEY with all its sub-keys and values, or only values of it.\n"
      "  /v NAME  the value NAME    /ve  the default value    /va  every value of KEY\n"
      "  /f       delete without asking (needed when standard input is not a terminal)\n",
      // kExport
      "VEMREG EXPORT KEY FILE [/y] [/a]\n"
      "  Writes KEY and everything below it to FILE as a registration file, as\n"
      "  regedit /E writes it (\"Windows Registry Editor Version 5.00\", UTF-16LE).\n"
      "  /y  replace an existing FILE without asking\n"
      "  /a  write the older ANSI format (\"REGEDIT4\", Windows-1252 text)\n",
      // kImport
      "VEMREG IMPORT FILE\n"
      "  Applies a registration file (version 5.00 in UTF-16LE, UTF-8 or ASCII, or\n"
      "  REGEDIT4 in Windows-1252), deletions included, all or nothing.\n",
  };
  if (command != Command::kNone) return kUsage[static_cast<int>(command) - 1];
  std::string usage =
      "VEMREG OPERATION [PARAMETERS]\n"
      "  Shows and edits the registry hive of the VemMisc library, with reg.exe's syntax.\n"
      "  Operations: QUERY, ADD, DELETE, EXPORT, IMPORT. Switches start with / or -\n"
      "  and ignore letter case; \"vemreg OPERATION /?\" shows one operation.\n"
      "  KEY is ROOT[\\path]; ROOT is HKEY_CLASSES_ROOT, HKEY_CURRENT_USER,\n"
      "  HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_CURRENT_CONFIG or HKCR, HKCU, HKLM, HKU, HKCC.\n"
      "  The hive lives in $VEMMISC_REGISTRY_DIR when that is set.\n";
  for (const char* text : kUsage) usage += std::string("\n") + text;
  usage +=
      "\nReturn code: 0 - Successful, 1 - Failed (with a message on standard error).\n"
      "See vemreg(1).\n";
  return usage;
}

}  // namespace vem
