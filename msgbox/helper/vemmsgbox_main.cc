// vemmsgbox: draws one message box for libVemMisc and exits with its end code.
//
// Keeping the dialog in a process of its own keeps GTK out of the library's
// callers, which may run another toolkit (or another GTK) themselves.
#include "msgbox/helper/helper_program.h"

int main(int argc, char** argv) { return vem::RunHelperProgram(argc, argv, nullptr); }
