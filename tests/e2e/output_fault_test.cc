// Standard output that takes nothing: a full device, a closed handle, a
// pipe whose reader has gone. Every request then ends with exit status 1,
// at once, by itself rather than by a signal, and with nothing on standard
// error; a switch already made stays made.
#include <unistd.h>

#include <gtest/gtest.h>

#include "e2e/fault_support.h"

namespace dorvix {
namespace faults {
namespace {

struct Request {
  const char* name;
  const char* line;
};

// One of each request, and a failure report.
const Request kRequests[] = {
    {"usage", "dorvix"},
    {"parameter error", "dorvix /x"},
    {"too many arguments", "dorvix a b c"},
    {"list", "dorvix /l"},
    {"switch", "dorvix /s Beta"},
    {"printer not found", "dorvix /s Nobody"},
    {"registry error", "dorvix /l"},
};

class OutputFault : public ::testing::Test {
 protected:
  // A fresh registry for each run; the failure report's run gets a broken one.
  std::string Registry(const Request& request) {
    const std::string path = folder_.File("registry.reg");
    WriteFile(path, std::string(request.name) == "registry error"
                        ? "REGEDIT4\r\n[HKEY_NOWHERE]\r\n"
                        : NtRegistry({"Alpha", "Beta"}, {"winspool,Ne00:", "winspool,Ne01:"}));
    return path;
  }

  ScratchFolder folder_;
};

TEST_F(OutputFault, AFullDeviceEndsEveryRequestWithOne) {
  for (const Request& request : kRequests) {
    ProcessOptions options;
    options.stdout_path = "/dev/full";
    EXPECT_TRUE(EndedWith(RunDorvix(request.line, Registry(request), options), 1))
        << request.name;
  }
}

TEST_F(OutputFault, AClosedHandleEndsEveryRequestWithOne) {
  for (const Request& request : kRequests) {
    ProcessOptions options;
    options.close_stdout = true;
    EXPECT_TRUE(EndedWith(RunDorvix(request.line, Registry(request), options), 1))
        << request.name;
  }
}

TEST_F(OutputFault, ASwitchIsMadeAlthoughItsMessageIsLost) {
  // The registry file is opened while standard output is closed: it must
  // not take standard output's place and receive the messages.
  for (const char* device : {"/dev/full", ""}) {
    const std::string path = folder_.File("registry.reg");
    WriteFile(path, NtRegistry({"Alpha", "Beta"}, {"winspool,Ne00:", "winspool,Ne01:"}));
    ProcessOptions options;
    options.stdout_path = device;
    options.close_stdout = *device == '\0';
    EXPECT_TRUE(EndedWith(RunDorvix("dorvix /s Beta", path, options), 1)) << device;
    EXPECT_EQ(ReadFile(path), NtRegistry({"Alpha", "Beta"}, {"winspool,Ne00:", "winspool,Ne01:"},
                                         "Beta,winspool,Ne01:"));
  }
}

TEST_F(OutputFault, AReaderThatGoesAwayEndsALongListingWithOne) {
  // 2 MB of listing: far more than a pipe holds, so the program is still
  // writing when the reader leaves.
  std::vector<std::string> names, entries;
  for (int i = 0; i < 100000; ++i) {
    names.push_back("Printer " + std::to_string(i));
    entries.push_back("winspool,Ne" + std::to_string(i) + ":");
  }
  const std::string path = folder_.File("registry.reg");
  WriteFile(path, NtRegistry(names, entries));
  const std::string listing = Listing(names);
  for (size_t read : {size_t{0}, size_t{1}, size_t{100}, size_t{65536}, size_t{1000000}}) {
    ProcessOptions options;
    options.timeout_seconds = 300;  // a minute under valgrind
    options.stdout_reader_stops_after = read;
    const ProcessResult result = RunDorvix("dorvix /l", path, options);
    EXPECT_TRUE(EndedWith(result, 1)) << "reader left after " << read << " bytes";
    EXPECT_EQ(result.out, listing.substr(0, read));
  }
  // Read to its end, the same listing ends with 0.
  ProcessOptions options;
  options.timeout_seconds = 300;
  const ProcessResult whole = RunDorvix("dorvix /l", path, options);
  EXPECT_TRUE(EndedWith(whole, 0));
  EXPECT_TRUE(whole.out == listing) << whole.out.size() << " bytes, not " << listing.size();
}

TEST_F(OutputFault, ANonBlockingPipeIsWaitedForNotGivenUp) {
  // A caller may leave its pipe in non-blocking mode; while its reader is
  // slow, a write then finds the pipe full. That is no failure: the
  // program waits until the pipe takes more.
  std::vector<std::string> names, entries;
  for (int i = 0; i < 20000; ++i) {
    names.push_back("Printer " + std::to_string(i));
    entries.push_back("winspool,Ne" + std::to_string(i) + ":");
  }
  const std::string path = folder_.File("registry.reg");
  WriteFile(path, NtRegistry(names, entries));
  ProcessOptions options;
  options.stdout_nonblocking = true;
  options.on_start = [](int) { usleep(300000); };  // the reader comes late
  const ProcessResult result = RunDorvix("dorvix /l", path, options);
  EXPECT_TRUE(EndedWith(result, 0));
  EXPECT_TRUE(result.out == Listing(names)) << result.out.size() << " bytes";
}

TEST_F(OutputFault, AFileSizeLimitFailsTheWriteNotTheProcess) {
  // Past the limit a write ends the process by SIGXFSZ, unless the signal
  // is ignored and the write fails instead.
  std::vector<std::string> names, entries;
  for (int i = 0; i < 1000; ++i) {
    names.push_back("Printer " + std::to_string(i));
    entries.push_back("winspool,Ne" + std::to_string(i) + ":");
  }
  const std::string path = folder_.File("registry.reg");
  WriteFile(path, NtRegistry(names, entries));
  ProcessOptions options;
  options.environment = {"DORVIX_REGISTRY=" + path, "DORVIX_COMMAND_LINE=dorvix /l"};
  options.stdout_path = folder_.File("listing.txt");
  const ProcessResult result =
      RunProcess({"/usr/bin/prlimit", "--fsize=4096", DORVIX_PROGRAM}, options);
  EXPECT_TRUE(EndedWith(result, 1));
}

}  // namespace
}  // namespace faults
}  // namespace dorvix
