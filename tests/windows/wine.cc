#include "windows/wine.h"

#include <fcntl.h>
#include <ftw.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <cstdio>

namespace dorvix {

namespace {

// Booting a new prefix takes seconds; the server answers at once. Every
// other program has the time-out of ProcessOptions.
constexpr double kBootSeconds = 180;
constexpr double kServerSeconds = 30;

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
  return remove(path);
}

}  // namespace

std::string WinePrefix::WindowsPath(const std::string& unix_path) {
  std::string path = "Z:" + unix_path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

std::vector<std::string> WinePrefix::Environment() const {
  return {
      "WINEPREFIX=" + prefix_,
      "WINESERVER=" DORVIX_WINESERVER,
      "WINEARCH=win64",
      "WINEDEBUG=-all",
      "WINEDLLOVERRIDES=mscoree,mshtml=",
      "LC_ALL=C.UTF-8",
      "LANG=",
      "LANGUAGE=",
      "DISPLAY=",
      "WAYLAND_DISPLAY=",
      // The emulated machine's variables mean nothing to dorvix.exe; they
      // are cleared so that no test depends on them by mistake.
      "DORVIX_REGISTRY=",
      "DORVIX_COMMAND_LINE=",
  };
}

ProcessResult WinePrefix::Server(const std::string& option, double timeout_seconds) const {
  ProcessOptions options;
  options.environment = Environment();
  options.timeout_seconds = timeout_seconds;
  // The server outlives this call: it must hold no pipe of ours.
  options.stdout_path = folder_ + "/wineserver.log";
  options.stderr_path = folder_ + "/wineserver.log";
  return RunProcess({DORVIX_WINESERVER, option}, options);
}

bool WinePrefix::Start(std::string* error) {
  for (const std::string program : {DORVIX_WINE64, DORVIX_WINESERVER}) {
    if (access(program.c_str(), X_OK) != 0) {
      *error = "no Wine: " + program + " (Debian's package wine64 provides it)";
      return false;
    }
  }
  char pattern[] = "/tmp/dorvix-wine-XXXXXX";
  if (mkdtemp(pattern) == nullptr) {
    *error = "cannot create a folder under /tmp";
    return false;
  }
  folder_ = pattern;
  prefix_ = folder_ + "/prefix";
  if (mkdir(prefix_.c_str(), 0700) != 0) {
    *error = "cannot create " + prefix_;
    return false;
  }
  WatchOver();
  // A persistent server, started before the first program: it stays while
  // programs come and go, until Stop() ends it.
  const ProcessResult server = Server("-p", kServerSeconds);
  if (server.exit_status != 0) {
    *error = std::string(DORVIX_WINESERVER) + " -p failed; see " + folder_ +
             "/wineserver.log";
    return false;
  }
  server_started_ = true;
  // The first program of a prefix creates it and starts Wine's services,
  // which keep its standard handles open long after it ends: they go to a
  // file, never to a pipe that would be read to its end.
  ProcessOptions options;
  options.timeout_seconds = kBootSeconds;
  options.stdout_path = folder_ + "/wineboot.log";
  options.stderr_path = folder_ + "/wineboot.log";
  const ProcessResult boot = Run({"wineboot", "--init"}, options);
  if (boot.exit_status != 0) {
    *error = "wineboot --init " +
             std::string(boot.timed_out ? "did not finish in time"
                                        : "failed, status " +
                                              std::to_string(boot.exit_status)) +
             "; see " + folder_ + "/wineboot.log";
    return false;
  }
  return true;
}

void WinePrefix::Stop() {
  if (server_started_) {
    Server("-k", kServerSeconds);
    Server("-w", kServerSeconds);
    server_started_ = false;
  }
  if (!folder_.empty()) {
    nftw(folder_.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
    folder_.clear();
  }
  // Nothing is left to clean up: the watch ends.
  if (watch_pipe_ >= 0) {
    close(watch_pipe_);
    watch_pipe_ = -1;
  }
}

// The wineserver and Wine's services outlive a test process that is killed
// (by a time-out, say) before Stop(). A child process watches over them: it
// waits for the end of a pipe whose only writer is this process, and then,
// if the prefix is still there, ends its Wine processes and removes it.
void WinePrefix::WatchOver() {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return;
  const pid_t watcher = fork();
  if (watcher < 0) {
    close(fds[0]);
    close(fds[1]);
    return;
  }
  if (watcher == 0) {
    // A session of its own, outside the process group that a test runner
    // kills, and no handle on the runner's output.
    setsid();
    const int null_fd = open("/dev/null", O_RDWR);
    for (int fd = 0; fd <= 2; ++fd) dup2(null_fd, fd);
    close(fds[1]);
    char byte;
    while (read(fds[0], &byte, 1) < 0 && errno == EINTR) {
    }
    struct stat info;
    if (stat(folder_.c_str(), &info) == 0) {
      server_started_ = true;
      Stop();
    }
    _exit(0);
  }
  close(fds[0]);
  watch_pipe_ = fds[1];
}

ProcessResult WinePrefix::Run(const std::vector<std::string>& args,
                              ProcessOptions options) const {
  std::vector<std::string> environment = Environment();
  environment.insert(environment.end(), options.environment.begin(),
                     options.environment.end());
  options.environment = environment;
  std::vector<std::string> argv = {DORVIX_WINE64};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProcess(argv, options);
}

bool WinePrefix::ImportRegistry(const std::string& reg_file, std::string* error) const {
  const ProcessResult result = Run({"regedit", WindowsPath(reg_file)});
  if (result.exit_status == 0 && result.err.empty()) return true;
  *error = "regedit " + reg_file + ": status " + std::to_string(result.exit_status) +
           (result.timed_out ? " (timed out)" : "") + "\n" + result.out + result.err;
  return false;
}

}  // namespace dorvix
