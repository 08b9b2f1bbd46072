// The command line of the emulated machine, rebuilt from the host's argv so
// that a line typed on this host means what it means on Windows.
#include "platform/command_line.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/emulated/machine_state.h"

namespace dorvix {

namespace {

bool HoldsBlank(const std::string& piece) {
  for (unsigned char byte : piece) {
    if (byte >= 1 && byte <= 32) return true;
  }
  return false;
}

// A standard handle that was closed stays closed for writing: /dev/null
// opened for reading takes its place, so that no file the program opens
// later can take the number and receive its output.
void KeepClosedHandleClosed(int fd) {
  if (fcntl(fd, F_GETFD) != -1) return;
  const int null_fd = open("/dev/null", O_RDONLY);
  if (null_fd >= 0 && null_fd != fd) {
    dup2(null_fd, fd);
    close(null_fd);
  }
}

}  // namespace

void StartPlatform(int argc, char** argv) {
  // A reader that goes away, or a file grown to the size limit of the
  // process, makes a write fail, not the program die.
  signal(SIGPIPE, SIG_IGN);
  signal(SIGXFSZ, SIG_IGN);
  for (int fd = 0; fd <= 2; ++fd) KeepClosedHandleClosed(fd);

  emulated::MachineState& state = emulated::State();
  if (state.command_line_set) return;
  state.command_line_set = true;
  // The raw command line, when the caller gives one: the only way to pass a
  // line that argv cannot express, such as a quote right after the name.
  if (const char* raw = std::getenv("DORVIX_COMMAND_LINE")) {
    state.command_line = raw;
    return;
  }
  std::string line;
  for (int i = 0; i < argc; ++i) {
    const std::string piece = argv[i];
    if (i > 0) line += ' ';
    if (piece.empty() || HoldsBlank(piece)) {
      line += '"' + piece + '"';
    } else {
      line += piece;
    }
  }
  state.command_line = line;
}

std::string ProcessCommandLine() { return emulated::State().command_line; }

}  // namespace dorvix
