// Standard output through its Windows handle: WriteFile sends the bytes as
// they are, with no text-mode translation of line ends.
#include "platform/console.h"

#include <windows.h>

#include "platform/failure.h"

namespace dorvix {

namespace {

// Output to a file or a pipe is held back up to this size and written in
// one go; a console shows every message at once.
constexpr size_t kHoldLimit = 64 * 1024;

std::string& Held() {
  static std::string held;
  return held;
}

bool IsConsole(HANDLE output) {
  DWORD mode = 0;
  return GetConsoleMode(output, &mode) != 0;
}

void WriteNow(HANDLE output, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD wrote = 0;
    if (!WriteFile(output, bytes.data() + done, static_cast<DWORD>(bytes.size() - done),
                   &wrote, nullptr) ||
        wrote == 0) {
      throw PlatformFailure(FailureKind::kOutput,
                            "standard output: error " + std::to_string(GetLastError()));
    }
    done += wrote;
  }
}

}  // namespace

void WriteStandardOutput(const std::string& message) {
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  static const bool console = IsConsole(output);
  if (console) {
    WriteNow(output, message);
    return;
  }
  std::string& held = Held();
  // Room for a whole chunk at once, kept from chunk to chunk: held output
  // is never copied to grow.
  if (held.capacity() < kHoldLimit) held.reserve(kHoldLimit);
  held += message;
  if (held.size() >= kHoldLimit) FinishStandardOutput();
}

void FinishStandardOutput() {
  std::string pending;
  pending.swap(Held());  // written once: a failed write is not tried again
  if (pending.empty()) return;
  WriteNow(GetStdHandle(STD_OUTPUT_HANDLE), pending);
  pending.clear();
  pending.swap(Held());
}

}  // namespace dorvix
