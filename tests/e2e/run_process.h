// Runs a program as a child process and collects what it writes.
#ifndef DORVIX_TESTS_E2E_RUN_PROCESS_H_
#define DORVIX_TESTS_E2E_RUN_PROCESS_H_

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace dorvix {

struct ProcessResult {
  std::string out;
  std::string err;
  int exit_status = -1;  // -1 when the process did not exit normally
  int signal = 0;        // the signal that ended it, if one did
  bool timed_out = false;
};

struct ProcessOptions {
  // NAME=VALUE entries added to the environment; NAME= alone removes NAME.
  std::vector<std::string> environment;
  // Standard output left closed in the child, or sent to this path.
  bool close_stdout = false;
  std::string stdout_path;
  // Standard error sent to this path instead of being collected.
  std::string stderr_path;
  double timeout_seconds = 30;
  // Standard output's reader goes away after this many bytes (0: before
  // reading any), as a pager or `head` does.
  size_t stdout_reader_stops_after = static_cast<size_t>(-1);
  // Standard output's pipe left in non-blocking mode, as some callers do.
  bool stdout_nonblocking = false;
  // Called with the child's process id once it runs.
  std::function<void(int)> on_start;
};

ProcessResult RunProcess(const std::vector<std::string>& argv,
                         const ProcessOptions& options = ProcessOptions());

}  // namespace dorvix

#endif  // DORVIX_TESTS_E2E_RUN_PROCESS_H_
