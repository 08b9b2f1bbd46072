// A failure of the platform that escapes a request: standard output that
// cannot be written, a registry that cannot be read. The logic raises none of
// its own and catches none; the program's top level reports it and ends with
// exit status 1.
#ifndef DORVIX_PLATFORM_FAILURE_H_
#define DORVIX_PLATFORM_FAILURE_H_

#include <string>

namespace dorvix {

enum class FailureKind {
  kOutput,    // standard output failed: no report can be written there
  kRegistry,  // the registry could not be read
};

class PlatformFailure {
 public:
  PlatformFailure(FailureKind kind, std::string message)
      : kind_(kind), message_(std::move(message)) {}

  FailureKind kind() const { return kind_; }
  const std::string& message() const { return message_; }

 private:
  FailureKind kind_;
  std::string message_;
};

}  // namespace dorvix

#endif  // DORVIX_PLATFORM_FAILURE_H_
