// Standard output on a POSIX host.
#include "platform/console.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/emulated/machine_state.h"
#include "platform/failure.h"

namespace dorvix {

namespace {

// Output to a file or a pipe is held back up to this size and written in
// one go: a listing of many printers then costs a few system calls, not one
// per line.
constexpr size_t kHoldLimit = 64 * 1024;

std::string& Held() {
  static std::string held;
  return held;
}

bool IsConsole() {
  static const bool console = isatty(STDOUT_FILENO) == 1;
  return console;
}

[[noreturn]] void RaiseOutputFailure(int error) {
  throw PlatformFailure(FailureKind::kOutput,
                        std::string("standard output: ") + std::strerror(error));
}

void WriteNow(const std::string& bytes) {
  emulated::MachineState& state = emulated::State();
  if (state.output_sink != nullptr || state.output_limited) {
    // A test's output: collected, and failing where the test says.
    if (state.output_limited && bytes.size() > state.output_budget) {
      state.output_budget = 0;
      RaiseOutputFailure(ENOSPC);
    }
    if (state.output_limited) state.output_budget -= bytes.size();
    if (state.output_sink != nullptr) state.output_sink->append(bytes);
    return;
  }
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote = write(STDOUT_FILENO, bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // A pipe left non-blocking by the caller, full for the moment: wait
      // until it takes more, as a blocking write would.
      pollfd ready = {STDOUT_FILENO, POLLOUT, 0};
      poll(&ready, 1, -1);
      continue;
    }
    if (wrote < 0) RaiseOutputFailure(errno);
    if (wrote == 0) RaiseOutputFailure(EIO);
    done += static_cast<size_t>(wrote);
  }
}

}  // namespace

void WriteStandardOutput(const std::string& message) {
  const emulated::MachineState& state = emulated::State();
  if (IsConsole() || state.output_sink != nullptr || state.output_limited) {
    WriteNow(message);
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
  WriteNow(pending);
  pending.clear();
  pending.swap(Held());
}

}  // namespace dorvix
