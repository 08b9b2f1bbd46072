// The program as a user runs it: each case under cases/ gives a machine (a
// fixture under fixtures/), a command line, and what must come of it.
//
//   cases/NAME.case   lines "key: value", the value taken byte for byte:
//                       registry: examples/office.reg  the machine (default:
//                                                 none), copied for the run
//                       command: /s "My Printer"  the line after "dorvix "
//                       line: "C:\dorvix.exe"/l   or the whole command line
//                       exit: 0                   the exit status
//                       stdout: OTHER.out         shared expected output
//                       registry-after: F.reg     the copy's bytes afterwards
//   cases/NAME.out    the exact bytes of standard output
#include <dirent.h>
#include <ftw.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <sstream>

#include "e2e/run_process.h"

namespace dorvix {
namespace {

// Paths in the cases are relative to the root of the source tree.
const std::string kRoot = DORVIX_SOURCE_ROOT;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

struct Case {
  std::string name;
  std::map<std::string, std::string> fields;
  std::string expected_out;
};

std::vector<Case> LoadCases() {
  std::vector<Case> cases;
  const std::string folder = kRoot + "/tests/e2e/cases";
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return cases;
  while (dirent* entry = readdir(dir)) {
    const std::string file = entry->d_name;
    if (file.size() < 6 || file.substr(file.size() - 5) != ".case") continue;
    Case c;
    c.name = file.substr(0, file.size() - 5);
    std::istringstream lines(ReadFile(folder + "/" + file));
    for (std::string line; std::getline(lines, line);) {
      const size_t colon = line.find(": ");
      if (line.empty() || line[0] == '#' || colon == std::string::npos) continue;
      c.fields[line.substr(0, colon)] = line.substr(colon + 2);
    }
    const std::string out = c.fields.count("stdout") ? c.fields["stdout"] : c.name + ".out";
    c.expected_out = ReadFile(folder + "/" + out);
    cases.push_back(c);
  }
  closedir(dir);
  std::sort(cases.begin(), cases.end(),
            [](const Case& a, const Case& b) { return a.name < b.name; });
  return cases;
}

// Control bytes made visible, so that a mismatch shows CR, LF and tabs.
std::string Visible(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 32 || c >= 127) {
      char hex[8];
      snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// A folder of its own for each run, removed with everything in it.
class ScratchFolder {
 public:
  ScratchFolder() {
    char pattern[] = "/tmp/dorvix-e2e-XXXXXX";
    path_ = mkdtemp(pattern);
  }
  ~ScratchFolder() {
    nftw(path_.c_str(),
         [](const char* path, const struct stat*, int, FTW*) { return remove(path); }, 16,
         FTW_DEPTH | FTW_PHYS);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class Cases : public ::testing::TestWithParam<Case> {};

TEST_P(Cases, MatchesExpectedBytes) {
  const Case& c = GetParam();
  const ScratchFolder scratch;
  const std::string& folder = scratch.path();
  const std::string line =
      c.fields.count("line") ? c.fields.at("line") : "dorvix " + c.fields.at("command");
  std::vector<std::string> environment = {"DORVIX_COMMAND_LINE=" + line};
  std::string registry;
  if (c.fields.count("registry")) {
    registry = folder + "/registry.reg";
    WriteFile(registry, ReadFile(kRoot + "/" + c.fields.at("registry")));
    environment.push_back("DORVIX_REGISTRY=" + registry);
  } else {
    environment.push_back("DORVIX_REGISTRY=");
  }
  ProcessOptions options;
  options.environment = environment;
  const ProcessResult result = RunProcess({DORVIX_PROGRAM}, options);
  EXPECT_EQ(Visible(result.out), Visible(c.expected_out));
  EXPECT_EQ(result.exit_status, std::stoi(c.fields.at("exit")));
  EXPECT_EQ(result.err, "");
  if (c.fields.count("registry-after")) {
    EXPECT_EQ(Visible(ReadFile(registry)),
              Visible(ReadFile(kRoot + "/" + c.fields.at("registry-after"))));
  }
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  std::string name;
  for (char c : info.param.name) name += isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
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
  const std::string original = ReadFile(kRoot + "/examples/office.reg");
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
  options.environment = {"DORVIX_REGISTRY=" + kRoot + "/examples/office.reg",
                         "DORVIX_COMMAND_LINE=dorvix /l"};
  options.stdout_path = "/dev/full";
  const ProcessResult result = RunProcess({DORVIX_PROGRAM}, options);
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.signal, 0);
  EXPECT_EQ(result.err, "");
}

}  // namespace
}  // namespace dorvix
