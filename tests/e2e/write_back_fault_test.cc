// A switch writes the registry file back. It never leaves the file torn or
// lost: a file it may not write stays byte for byte as it was, switches run
// at once all land whole one after the other, and a switch killed at any
// moment leaves the old file or the new one.
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <random>
#include <thread>

#include "e2e/fault_support.h"

namespace dorvix {
namespace faults {
namespace {

// The printers of the write-back tests, and as many more around them as
// make a write-back take a while.
struct Machine {
  bool win98;
  std::vector<std::string> names;
  std::vector<std::string> entries;

  Machine(bool win98_family, int printers) : win98(win98_family) {
    for (int i = 0; i < printers; ++i) {
      names.push_back("Printer " + std::to_string(i));
      entries.push_back("winspool,Ne" + std::to_string(i) + ":");
    }
    for (int i = -1; i < 8 && i < printers; ++i) registries.push_back(Make(i));
  }

  // The registry with printer `index` (below 8) the default one (-1: the
  // filler default of the NT profile, or on 9x the last printer).
  const std::string& Registry(int index) const { return registries.at(index + 1); }

  // The index whose registry `text` is, or -2.
  int Which(const std::string& text) const {
    for (size_t i = 0; i < registries.size(); ++i) {
      if (text == registries[i]) return static_cast<int>(i) - 1;
    }
    return -2;
  }

 private:
  std::vector<std::string> registries;

  std::string Make(int index) const {
    if (!win98) {
      return NtRegistry(names, entries,
                        index < 0 ? "None,winspool,Ne99:" : names[index] + "," + entries[index]);
    }
    const int chosen = index < 0 ? static_cast<int>(names.size()) - 1 : index;
    std::vector<unsigned> attributes;
    for (int i = 0; i < static_cast<int>(names.size()); ++i) {
      attributes.push_back(i == chosen ? 0x244 : 0x240);
    }
    return Win98Registry(names, attributes);
  }
};

// The user that the write-protection tests run as. Modes bind every user
// but root; as root, the program runs as nobody.
std::vector<std::string> Unprivileged(const std::vector<std::string>& argv) {
  if (getuid() != 0) return argv;
  std::vector<std::string> full = {"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup",
                                   "--clear-groups", DORVIX_PROGRAM};
  full.insert(full.end(), argv.begin() + 1, argv.end());
  return full;
}

void GiveToUnprivileged(const std::string& path) {
  if (getuid() != 0) return;
  const passwd* nobody = getpwnam("nobody");
  const group* nogroup = getgrnam("nogroup");
  ASSERT_TRUE(nobody != nullptr && nogroup != nullptr);
  ASSERT_EQ(chown(path.c_str(), nobody->pw_uid, nogroup->gr_gid), 0) << path;
}

TEST(WriteProtection, ASwitchThatMayNotWriteLeavesTheFileAsItWas) {
  const struct {
    const char* name;
    mode_t file_mode;
    mode_t folder_mode;
  } cases[] = {
      {"read-only file", 0444, 0755},
      {"read-only folder", 0644, 0555},
  };
  for (bool win98 : {false, true}) {
    const Machine machine(win98, 3);
    for (const auto& c : cases) {
      ScratchFolder folder;
      const std::string path = folder.File("registry.reg");
      const std::string original = machine.Registry(-1);
      WriteFile(path, original);
      GiveToUnprivileged(path);
      GiveToUnprivileged(folder.path());
      ASSERT_EQ(chmod(path.c_str(), c.file_mode), 0);
      ASSERT_EQ(chmod(folder.path().c_str(), c.folder_mode), 0);
      ProcessOptions options;
      options.environment = {"DORVIX_REGISTRY=" + path, "DORVIX_COMMAND_LINE=dorvix /s \"Printer 1\""};
      const ProcessResult result = RunProcess(Unprivileged({DORVIX_PROGRAM}), options);
      EXPECT_TRUE(EndedWith(result, 0)) << c.name << (win98 ? " (98)" : " (NT)");
      EXPECT_EQ(result.out, "Default printer could not be changed.\r\n")
          << c.name << (win98 ? " (98)" : " (NT)");
      EXPECT_TRUE(ReadFile(path) == original) << c.name;
      EXPECT_EQ(folder.Names(), (std::vector<std::string>{"registry.reg"})) << c.name;
      struct stat status;
      ASSERT_EQ(stat(path.c_str(), &status), 0);
      EXPECT_EQ(status.st_mode & 07777, c.file_mode) << c.name;
    }
  }
}

TEST(WriteProtection, AFileSizeLimitBelowTheRegistryLeavesTheFileAsItWas) {
  // The new file cannot be written whole: the switch fails, and neither the
  // registry nor a piece of its new text is left behind.
  for (bool win98 : {false, true}) {
    const Machine machine(win98, 1000);
    ScratchFolder folder;
    const std::string path = folder.File("registry.reg");
    WriteFile(path, machine.Registry(-1));
    ProcessOptions options;
    options.environment = {"DORVIX_REGISTRY=" + path,
                           "DORVIX_COMMAND_LINE=dorvix /s \"Printer 1\""};
    const ProcessResult result =
        RunProcess({"/usr/bin/prlimit", "--fsize=4096", DORVIX_PROGRAM}, options);
    EXPECT_TRUE(EndedWith(result, 0)) << (win98 ? "98" : "NT");
    EXPECT_EQ(result.out, "Default printer could not be changed.\r\n");
    EXPECT_TRUE(ReadFile(path) == machine.Registry(-1));
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"registry.reg"}));
  }
}

TEST(WriteBack, ASwitchThroughALinkChangesTheFileAndKeepsTheLink) {
  // The registry named through a symbolic link: the file it points to is
  // replaced, and the link still points to it.
  const Machine machine(false, 3);
  ScratchFolder folder;
  const std::string target = folder.File("registry.reg");
  const std::string link = folder.File("link.reg");
  WriteFile(target, machine.Registry(-1));
  ASSERT_EQ(symlink("registry.reg", link.c_str()), 0);
  const ProcessResult result = RunDorvix("dorvix /s \"Printer 2\"", link);
  EXPECT_TRUE(EndedWith(result, 0));
  EXPECT_EQ(result.out, "Default printer successfully changed.\r\n");
  EXPECT_TRUE(ReadFile(target) == machine.Registry(2));
  struct stat status;
  ASSERT_EQ(lstat(link.c_str(), &status), 0);
  EXPECT_TRUE(S_ISLNK(status.st_mode));
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"link.reg", "registry.reg"}));
}

TEST(ConcurrentSwitches, EightAtOnceLeaveTheWholeFileOfOneOfThem) {
  for (bool win98 : {false, true}) {
    // Each write-back copies some 300 KB, so that the eight overlap.
    const Machine machine(win98, 5000);
    for (int round = 0; round < 3; ++round) {
      ScratchFolder folder;
      const std::string path = folder.File("registry.reg");
      WriteFile(path, machine.Registry(-1));
      std::vector<ProcessResult> results(8);
      std::vector<std::thread> runs;
      for (int i = 0; i < 8; ++i) {
        runs.emplace_back([&, i] {
          results[i] = RunDorvix("dorvix /s \"" + machine.names[i] + "\"", path);
        });
      }
      for (std::thread& run : runs) run.join();
      for (const ProcessResult& result : results) {
        EXPECT_TRUE(EndedWith(result, 0));
        EXPECT_EQ(result.out, "Default printer successfully changed.\r\n");
      }
      // Byte for byte the registry of one of the eight: every other value
      // as it was, and on Windows 98 one default printer only.
      const int which = machine.Which(ReadFile(path));
      EXPECT_GE(which, 0) << (win98 ? "98" : "NT") << ", round " << round;
      EXPECT_EQ(folder.Names(), (std::vector<std::string>{"registry.reg"}));
      const ProcessResult listed = RunDorvix("dorvix /l", path);
      EXPECT_TRUE(EndedWith(listed, 0));
      EXPECT_TRUE(listed.out == Listing(machine.names));
    }
  }
}

// Kills a process a set time after the first write that it makes in a
// folder: a file created, changed or moved there.
class KillOnWrite {
 public:
  KillOnWrite(const std::string& folder, double delay_seconds)
      : fd_(inotify_init1(IN_CLOEXEC | IN_NONBLOCK)), delay_(delay_seconds) {
    inotify_add_watch(fd_, folder.c_str(), IN_CREATE | IN_MODIFY | IN_MOVED_TO);
  }
  ~KillOnWrite() {
    done_ = true;
    if (watcher_.joinable()) watcher_.join();
    close(fd_);
  }
  // For ProcessOptions::on_start.
  std::function<void(int)> Start() {
    return [this](int pid) { watcher_ = std::thread([this, pid] { Watch(pid); }); };
  }
  bool fired() const { return fired_; }

 private:
  void Watch(int pid) {
    pollfd event = {fd_, POLLIN, 0};
    while (!done_) {
      if (poll(&event, 1, 5) <= 0) continue;
      std::this_thread::sleep_for(std::chrono::duration<double>(delay_));
      if (!done_) {
        kill(pid, SIGKILL);
        fired_ = true;
      }
      return;
    }
  }

  int fd_;
  double delay_;
  std::atomic<bool> done_{false};
  std::atomic<bool> fired_{false};
  std::thread watcher_;
};

TEST(KilledSwitch, LeavesTheOldFileOrTheNewOneNeverATornOne) {
  std::mt19937 random(20260101);
  for (bool win98 : {false, true}) {
    const Machine machine(win98, 10000);
    ScratchFolder folder;
    const std::string path = folder.File("registry.reg");
    const std::string line = "dorvix /s \"" + machine.names[7] + "\"";
    // How long a whole switch takes here, this build's speed included.
    WriteFile(path, machine.Registry(-1));
    const auto start = std::chrono::steady_clock::now();
    const ProcessResult whole = RunDorvix(line, path);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_TRUE(EndedWith(whole, 0));
    ASSERT_TRUE(ReadFile(path) == machine.Registry(7));

    // Half the runs are killed anywhere from their start to a little after
    // their usual end; the other half while they write, a moment after
    // their first write in the folder.
    std::uniform_real_distribution<double> moment(0, seconds * 1.2);
    std::uniform_real_distribution<double> while_writing(0, 0.004);
    int killed = 0, old_files = 0, new_files = 0;
    for (int run = 0; run < 40; ++run) {
      WriteFile(path, machine.Registry(-1));
      ProcessOptions options;
      const bool anywhere = run % 2 == 0;
      KillOnWrite killer(folder.path(), while_writing(random));
      if (anywhere) {
        options.timeout_seconds = moment(random);
      } else {
        options.on_start = killer.Start();
      }
      const ProcessResult result = RunDorvix(line, path, options);
      if (result.timed_out || result.signal == SIGKILL) ++killed;
      const int which = machine.Which(ReadFile(path));
      EXPECT_TRUE(which == -1 || which == 7)
          << "run " << run << (anywhere ? " killed after a while" : " killed while writing");
      (which == -1 ? old_files : new_files) += 1;
      // A killed write-back may leave its temporary file; never a second
      // registry in the registry's place.
      const std::vector<std::string> names = folder.Names();
      EXPECT_EQ(std::count(names.begin(), names.end(), "registry.reg"), 1);
      for (const std::string& name : names) {
        if (name != "registry.reg") {
          EXPECT_EQ(name.compare(0, 13, "registry.reg."), 0) << name;
          unlink(folder.File(name).c_str());
        }
      }
    }
    EXPECT_GT(killed, 0);
    std::printf("%s: %d of 40 runs killed; %d old files, %d new; a switch takes %.3f s\n",
                win98 ? "Windows 98" : "NT", killed, old_files, new_files, seconds);
  }
}

}  // namespace
}  // namespace faults
}  // namespace dorvix
