// vemreg: shows and edits the library's registry hive with reg.exe's syntax.
#include <cstdio>
#include <string>

#include "tools/vemreg/command_line.h"
#include "tools/vemreg/commands.h"

int main(int argc, char** argv) {
  using vem::Command;
  vem::CommandLine line;
  std::string error;
  bool ok = vem::ParseCommandLine(argc, argv, &line, &error);
  if (ok && line.help) {
    std::fputs(vem::UsageText(line.command).c_str(), stdout);
    return 0;
  }
  if (ok) {
    switch (line.command) {
      case Command::kQuery: ok = vem::RunQuery(line, &error); break;
      case Command::kAdd: ok = vem::RunAdd(line, &error); break;
      case Command::kDelete: ok = vem::RunDelete(line, &error); break;
      case Command::kExport: ok = vem::RunExport(line, &error); break;
      case Command::kImport: ok = vem::RunImport(line, &error); break;
      case Command::kNone: break;
    }
  }
  if (std::fflush(stdout) != 0 && ok) {
    ok = false;
    error = "Cannot write the output.";
  }
  if (ok) return 0;
  std::fprintf(stderr, "ERROR: %s\n", error.c_str());
  return 1;
}
