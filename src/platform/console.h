// Standard output. Every message is one whole string, written as it is: no
// line-end translation, no code-page conversion.
#ifndef DORVIX_PLATFORM_CONSOLE_H_
#define DORVIX_PLATFORM_CONSOLE_H_

#include <string>

namespace dorvix {

// Writes one message. On a console it is shown at once; to a file or a pipe
// whole messages may be held back and written together. Raises
// PlatformFailure (kOutput) when a write fails.
void WriteStandardOutput(const std::string& message);

// Writes whatever is held back. Raises PlatformFailure (kOutput) when the
// write fails: output lost is never reported as success.
void FinishStandardOutput();

}  // namespace dorvix

#endif  // DORVIX_PLATFORM_CONSOLE_H_
