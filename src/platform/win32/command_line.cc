#include "platform/command_line.h"

#include <windows.h>

namespace dorvix {

void StartPlatform(int, char**) {
  // Failures are the program's to report on standard output: no dialog box
  // for a fault or a missing disk.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
}

std::string ProcessCommandLine() { return GetCommandLineA(); }

}  // namespace dorvix
