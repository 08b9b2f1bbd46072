#include "platform/emulated/machine.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/emulated/machine_state.h"
#include "platform/failure.h"

namespace dorvix {
namespace emulated {

namespace {

const char kEmptyRegistry[] = "REGEDIT4\r\n";

std::string ErrorText(int error) { return std::strerror(error); }

// A registry file is read whole into memory, and then parsed into a tree a
// few times its size. A larger file is refused before it is read on: that
// keeps the machine's memory bounded whatever the file, yet is far above any
// real registry (100,000 printers take about 10 MB).
constexpr size_t kMaxRegistryFileSize = 32 * 1024 * 1024;

// Reads a whole registry file. On failure returns what is wrong, to follow
// the file's name: ": cannot be read: ...", or ", line N: ..." for a file
// that is too large, naming the line in which it passes the limit.
std::string ReadRegistryFile(const std::string& path, std::string* text) {
  // Not blocking on a FIFO without a writer: it is no file and is refused.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return ": cannot be read: " + ErrorText(errno);
  struct stat status;
  if (fstat(fd, &status) != 0) {
    const int error = errno;
    close(fd);
    return ": cannot be read: " + ErrorText(error);
  }
  if (!S_ISREG(status.st_mode)) {
    close(fd);
    return S_ISDIR(status.st_mode) ? ": is a folder, not a registry file"
                                   : ": is not a regular file";
  }
  // Read straight into the text, with room for the whole file and the read
  // that finds its end taken at once: the file tells its size.
  text->clear();
  text->reserve(std::min(static_cast<size_t>(status.st_size), kMaxRegistryFileSize) + 1);
  while (text->size() <= kMaxRegistryFileSize) {
    const size_t done = text->size();
    if (done == text->capacity()) {
      text->reserve(std::min(2 * done + 65536, kMaxRegistryFileSize + 1));  // it grew
    }
    text->resize(text->capacity());
    const ssize_t got = read(fd, &(*text)[done], text->size() - done);
    const int error = errno;
    text->resize(done + (got > 0 ? static_cast<size_t>(got) : 0));
    if (got < 0 && error == EINTR) continue;
    if (got < 0) {
      close(fd);
      return ": cannot be read: " + ErrorText(error);
    }
    if (got == 0) break;
  }
  close(fd);
  if (text->size() > kMaxRegistryFileSize) {
    const size_t line =
        1 + static_cast<size_t>(std::count(text->begin(),
                                           text->begin() + kMaxRegistryFileSize, '\n'));
    text->clear();
    return ", line " + std::to_string(line) + ": the file is larger than " +
           std::to_string(kMaxRegistryFileSize / (1024 * 1024)) + " MiB";
  }
  return std::string();
}

RegFile ParseRegistryFile(const std::string& path, std::string text) {
  try {
    return RegFile::Parse(std::move(text));
  } catch (const RegFileError& error) {
    throw PlatformFailure(FailureKind::kRegistry,
                          path + ", line " + std::to_string(error.line) + ": " +
                              error.message);
  }
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t wrote = write(fd, text.data() + done, text.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    done += static_cast<size_t>(wrote);
  }
  return true;
}

// Holds the lock that serialises writers of the registry files of one
// folder, for the whole read-edit-replace of a change.
class FolderLock {
 public:
  explicit FolderLock(const std::string& folder)
      : fd_(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_ < 0) return;
    while (flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        close(fd_);
        fd_ = -1;
        return;
      }
    }
  }
  ~FolderLock() {
    if (fd_ >= 0) close(fd_);  // closing releases the lock
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  bool held() const { return fd_ >= 0; }
  int fd() const { return fd_; }

 private:
  int fd_;
};

// Replaces the file at `path` with the edited registry in one rename, so
// that a reader, or a crash, finds either the old file or the new one.
bool WriteBack(const std::string& configured_path, const RegistryChange& change) {
  char resolved[PATH_MAX];
  if (realpath(configured_path.c_str(), resolved) == nullptr) return false;
  const std::string path = resolved;
  const std::string folder = path.substr(0, path.rfind('/') + 1);
  FolderLock lock(folder.empty() ? "/" : folder);
  if (!lock.held()) return false;

  // Edit what the file holds now: another process may have changed it since
  // it was read.
  std::string current;
  if (!ReadRegistryFile(path, &current).empty()) return false;
  MachineState& state = State();
  std::unique_ptr<RegFile> updated;
  try {
    // A file that is as this process read it is the registry in memory,
    // and is not parsed a second time.
    std::unique_ptr<RegFile> reread;
    if (!state.registry || state.registry->text() != current) {
      reread.reset(new RegFile(RegFile::Parse(std::move(current))));
    }
    const RegFile& file = reread ? *reread : *state.registry;
    std::vector<ValueEdit> edits;
    if (!change(file, &edits)) return false;
    std::string edited = file.EditedText(edits);
    // One registry in memory at a time: the old one goes before the edited
    // one is read, and should the change fail, the file is read again when
    // the registry is next needed.
    reread.reset();
    std::string().swap(current);
    state.registry.reset();
    ++state.registry_generation;
    updated.reset(new RegFile(RegFile::Parse(std::move(edited))));
  } catch (const RegFileError&) {
    return false;
  }

  // A file the user may not write is not replaced, although the folder
  // would allow the rename.
  struct stat status;
  if (access(path.c_str(), W_OK) != 0 || stat(path.c_str(), &status) != 0) {
    return false;
  }
  std::string temporary = path + ".XXXXXX";
  const int fd = mkstemp(&temporary[0]);
  if (fd < 0) return false;
  const bool written = fchmod(fd, status.st_mode & 07777) == 0 &&
                       WriteAll(fd, updated->text()) && fsync(fd) == 0;
  if (close(fd) != 0 || !written || rename(temporary.c_str(), path.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  fsync(lock.fd());

  state.registry = std::move(updated);
  ++state.registry_generation;
  return true;
}

}  // namespace

MachineState& State() {
  // Never destroyed: the process's end frees the registry at once, where
  // destroying it would free every key and value one by one.
  static MachineState* const state = new MachineState;
  return *state;
}

const RegFile& Registry() {
  MachineState& state = State();
  if (state.registry) return *state.registry;
  if (!state.registry_path_known) {
    const char* path = std::getenv("DORVIX_REGISTRY");
    state.registry_path = path != nullptr ? path : "";
    state.registry_path_known = true;
  }
  if (state.registry_path.empty()) {
    state.registry.reset(new RegFile(RegFile::Parse(kEmptyRegistry)));
    return *state.registry;
  }
  std::string text;
  const std::string problem = ReadRegistryFile(state.registry_path, &text);
  if (!problem.empty()) {
    throw PlatformFailure(FailureKind::kRegistry, state.registry_path + problem);
  }
  state.registry.reset(
      new RegFile(ParseRegistryFile(state.registry_path, std::move(text))));
  return *state.registry;
}

bool CommitRegistryChange(const RegistryChange& change) {
  const RegFile& registry = Registry();
  MachineState& state = State();
  if (!state.registry_path.empty()) return WriteBack(state.registry_path, change);
  std::vector<ValueEdit> edits;
  if (!change(registry, &edits)) return false;
  state.registry.reset(new RegFile(RegFile::Parse(registry.EditedText(edits))));
  ++state.registry_generation;
  return true;
}

void TraceCall(const std::string& call) {
  MachineState& state = State();
  if (state.tracing) state.trace.push_back(call);
}

bool CallFails(const std::string& call) {
  return State().failing_calls.count(call) != 0;
}

void ResetMachine() {
  MachineState& state = State();
  const uint64_t generation = state.registry_generation + 1;
  state = MachineState();
  state.registry_generation = generation;
  state.registry_path_known = true;
  state.command_line_set = true;
  state.command_line = "dorvix";
}

void LoadRegistryText(const std::string& text) {
  MachineState& state = State();
  state.registry_path_known = true;
  state.registry_path.clear();
  state.registry.reset(new RegFile(RegFile::Parse(text)));
  ++state.registry_generation;
}

void UseRegistryFile(const std::string& path) {
  MachineState& state = State();
  state.registry_path_known = true;
  state.registry_path = path;
  state.registry.reset();
  ++state.registry_generation;
}

void SetCommandLine(const std::string& line) {
  State().command_line_set = true;
  State().command_line = line;
}

void CaptureStandardOutput(std::string* sink) { State().output_sink = sink; }

void FailStandardOutputAfter(size_t bytes) {
  State().output_limited = true;
  State().output_budget = bytes;
}

void StartTrace() {
  State().tracing = true;
  State().trace.clear();
}

const std::vector<std::string>& Trace() { return State().trace; }

void FailCall(const std::string& call) { State().failing_calls.insert(call); }

}  // namespace emulated
}  // namespace dorvix
