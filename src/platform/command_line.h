// The process's command line and its start-up.
#ifndef DORVIX_PLATFORM_COMMAND_LINE_H_
#define DORVIX_PLATFORM_COMMAND_LINE_H_

#include <string>

namespace dorvix {

// Prepares the process before anything else runs: failures are reported on
// standard output, never in a dialog box or by a signal. `argc` and `argv`
// are what the host's C run-time received.
void StartPlatform(int argc, char** argv);

// GetCommandLineA: the whole command line, program name first, as one string
// in the ANSI code page.
std::string ProcessCommandLine();

}  // namespace dorvix

#endif  // DORVIX_PLATFORM_COMMAND_LINE_H_
