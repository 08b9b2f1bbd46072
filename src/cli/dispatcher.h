// The command front end: tells the requests apart and carries out one.
#ifndef DORVIX_CLI_DISPATCHER_H_
#define DORVIX_CLI_DISPATCHER_H_

#include <cstdint>
#include <string>

namespace dorvix {

enum class Request {
  kUsage,
  kList,
  kSwitch,
  kParameterError,
  kTooManyArguments,
};

extern const char kUsageText[];

// Classifies by the number of arguments and the first two bytes of the
// first one; nothing after the second byte is looked at.
Request ClassifyRequest(int32_t argument_count, const std::string& first);

// Classifies the process's command line and carries out the request. A
// failure of the platform escapes as PlatformFailure or std::bad_alloc,
// after the catalogue has been freed.
void RunDispatcher();

// The whole program after the platform's start-up: the request, then the
// output held back. Returns the exit status: 0 at the end of every request,
// 1 after a failure, which is reported on standard output when standard
// output itself did not fail.
int RunProgram();

}  // namespace dorvix

#endif  // DORVIX_CLI_DISPATCHER_H_
