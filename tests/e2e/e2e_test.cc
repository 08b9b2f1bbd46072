// The program as a user runs it: every case under cases/ (see cases.h) run
// on the host build.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "e2e/cases.h"
#include "e2e/run_process.h"

namespace dorvix {
namespace {

class Cases : public ::testing::TestWithParam<Case> {};

TEST_P(Cases, MatchesExpectedBytes) {
  const Case& c = GetParam();
  const ScratchFolder scratch;
  std::string registry;
  const ProcessResult result = RunOnHost(c, scratch.path(), &registry);
  EXPECT_EQ(Visible(result.out), Visible(c.expected_out));
  EXPECT_EQ(result.exit_status, c.ExpectedExit());
  EXPECT_EQ(result.err, "");
  if (c.Has("registry-after")) {
    EXPECT_EQ(Visible(ReadFile(registry)),
              Visible(ReadFile(kSourceRoot + "/" + c.Field("registry-after"))));
  }
}

INSTANTIATE_TEST_SUITE_P(E2e, Cases, ::testing::ValuesIn(LoadCases()), CaseName);

// The command line rebuilt from argv: a piece with blanks is quoted again,
// an empty piece gives no argument, as it would on Windows.
TEST(Argv, PiecesMeanWhatTheyMeanOnWindows) {
  const std::string program = DORVIX_PROGRAM;
  struct {
    std::vector<std::string> argv;
    std::string out;
  } cases[] = {
      {{program, "/s", "No Such Printer"}, "Printer 'No Such Printer' not found.\r\n"},
      {{program, "/s", "", "Name"}, "Printer 'Name' not found.\r\n"},
      {{program, "/s", ""}, "Parameter error.\r\n"},
      {{program, "/s", "a\tb"}, "Printer 'a\tb' not found.\r\n"},
      {{program, "/s", "My", "Printer"}, "Too much parameters.\r\n"},
  };
  ProcessOptions options;
  options.environment = {"DORVIX_REGISTRY=", "DORVIX_COMMAND_LINE="};
  for (const auto& c : cases) {
    const ProcessResult result = RunProcess(c.argv, options);
    EXPECT_EQ(Visible(result.out), Visible(c.out)) << c.argv[2];
    EXPECT_EQ(result.exit_status, 0);
  }
}

// A registry file the user may not write is left as it is, and the switch
// says so. Root writes whatever the modes say, so as root the program runs
// as nobody.
TEST(Switch, AReadOnlyRegistryIsNotChanged) {
  const ScratchFolder scratch;
  const std::string& folder = scratch.path();
  const std::string registry = folder + "/registry.reg";
  const std::string original = ReadFile(kSourceRoot + "/examples/office.reg");
  WriteFile(registry, original);
  ASSERT_EQ(chmod(folder.c_str(), 0777), 0);
  ASSERT_EQ(chmod(registry.c_str(), 0444), 0);
  std::vector<std::string> argv = {DORVIX_PROGRAM};
  if (geteuid() == 0) {
    argv = {"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups",
            DORVIX_PROGRAM};
  }
  ProcessOptions options;
  options.environment = {"DORVIX_REGISTRY=" + registry,
                         "DORVIX_COMMAND_LINE=dorvix /s Fax"};
  const ProcessResult result = RunProcess(argv, options);
  EXPECT_EQ(Visible(result.out), Visible("Default printer could not be changed.\r\n"));
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(ReadFile(registry), original);
}

TEST(Output, AFullDeviceEndsWithOneAndNothingOnStandardError) {
  ProcessOptions options;
  options.environment = {"DORVIX_REGISTRY=" + kSourceRoot + "/examples/office.reg",
                         "DORVIX_COMMAND_LINE=dorvix /l"};
  options.stdout_path = "/dev/full";
  const ProcessResult result = RunProcess({DORVIX_PROGRAM}, options);
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.signal, 0);
  EXPECT_EQ(result.err, "");
}

// A registry larger than the memory the program may have: the request
// ends with the report and status 1, and nothing on standard error.
TEST(Memory, RunningOutIsReportedWithStatusOne) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit leaves";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit leaves";
#endif
#endif
  const ScratchFolder scratch;
  const std::string registry = scratch.path() + "/registry.reg";
  std::string text = "REGEDIT4\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices]\r\n";
  for (int i = 0; i < 200000; ++i) {
    text += "\"Printer " + std::to_string(i) + "\"=\"winspool,Ne00:\"\r\n";
  }
  WriteFile(registry, text);
  ProcessOptions options;
  options.environment = {"DORVIX_REGISTRY=" + registry, "DORVIX_COMMAND_LINE=dorvix /l"};
  // 32 MiB of address space: enough to start, far from enough for the
  // registry of 200,000 printers.
  const ProcessResult result = RunProcess(
      {"/bin/sh", "-c", "ulimit -v 32768 && exec \"$0\"", DORVIX_PROGRAM}, options);
  EXPECT_EQ(Visible(result.out), Visible("Out of memory.\r\n"));
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.err, "");
}

}  // namespace
}  // namespace dorvix
