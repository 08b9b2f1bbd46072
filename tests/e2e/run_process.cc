#include "e2e/run_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>

extern char** environ;

namespace dorvix {

namespace {

double Now() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

std::vector<std::string> MergedEnvironment(const std::vector<std::string>& changes) {
  std::map<std::string, std::string> merged;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    merged[text.substr(0, text.find('='))] = text;
  }
  for (const std::string& change : changes) {
    const size_t eq = change.find('=');
    const std::string name = change.substr(0, eq);
    if (eq + 1 == change.size()) {
      merged.erase(name);
    } else {
      merged[name] = change;
    }
  }
  std::vector<std::string> out;
  for (const auto& entry : merged) out.push_back(entry.second);
  return out;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& s : strings) pointers.push_back(&s[0]);
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options) {
  ProcessResult result;
  int out_pipe[2], err_pipe[2];
  if (pipe2(out_pipe, O_CLOEXEC) != 0 || pipe2(err_pipe, O_CLOEXEC) != 0) return result;

  if (options.stdout_nonblocking) fcntl(out_pipe[1], F_SETFL, O_NONBLOCK);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (options.close_stdout) {
    posix_spawn_file_actions_addclose(&actions, 1);
  } else if (!options.stdout_path.empty()) {
    posix_spawn_file_actions_addopen(&actions, 1, options.stdout_path.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
  } else {
    posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
  }
  if (!options.stderr_path.empty()) {
    posix_spawn_file_actions_addopen(&actions, 2, options.stderr_path.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
  } else {
    posix_spawn_file_actions_adddup2(&actions, err_pipe[1], 2);
  }
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);

  // The child starts with SIGPIPE at its default, which ends a process
  // whose write finds no reader, whatever the test runner ignores.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

  std::vector<std::string> args = argv;
  std::vector<std::string> env = MergedEnvironment(options.environment);
  std::vector<char*> arg_pointers = Pointers(args);
  std::vector<char*> env_pointers = Pointers(env);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, args[0].c_str(), &actions, &attributes,
                                  arg_pointers.data(), env_pointers.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(out_pipe[1]);
  close(err_pipe[1]);
  if (spawned != 0) {
    close(out_pipe[0]);
    close(err_pipe[0]);
    result.err = std::string("cannot start ") + args[0] + ": " + std::strerror(spawned);
    return result;
  }

  if (options.on_start) options.on_start(pid);
  const double deadline = Now() + options.timeout_seconds;
  pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open_fds = 2;
  if (options.stdout_reader_stops_after == 0) {
    close(fds[0].fd);
    fds[0].fd = -1;
    --open_fds;
  }
  while (open_fds > 0) {
    const double left = deadline - Now();
    if (left <= 0) {
      result.timed_out = true;
      kill(pid, SIGKILL);
      break;
    }
    const int ready = poll(fds, 2, static_cast<int>(left * 1000) + 1);
    if (ready < 0 && errno == EINTR) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[65536];
      size_t room = sizeof buffer;
      if (i == 0 && options.stdout_reader_stops_after - result.out.size() < room) {
        room = options.stdout_reader_stops_after - result.out.size();
      }
      const ssize_t got = read(fds[i].fd, buffer, room);
      if (got > 0) {
        sinks[i]->append(buffer, static_cast<size_t>(got));
        if (i == 0 && result.out.size() >= options.stdout_reader_stops_after) {
          close(fds[0].fd);
          fds[0].fd = -1;
          --open_fds;
        }
      } else if (got == 0 || errno != EINTR) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open_fds;
      }
    }
  }
  for (pollfd& fd : fds) {
    if (fd.fd >= 0) close(fd.fd);
  }
  // A child that closed its output may still run: it gets until the deadline.
  int status = 0;
  for (;;) {
    const pid_t waited = waitpid(pid, &status, WNOHANG);
    if (waited == pid || (waited < 0 && errno != EINTR)) break;
    if (Now() > deadline) {
      result.timed_out = true;
      kill(pid, SIGKILL);
    }
    usleep(2000);
  }
  if (WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  return result;
}

}  // namespace dorvix
