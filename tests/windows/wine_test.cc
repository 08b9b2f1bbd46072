// dorvix.exe under Wine: the end-to-end cases (see e2e/cases.h) run against
// the x86-64 build in one throwaway Wine prefix, each case's machine loaded
// into its registry with Wine's regedit, each command line handed over
// exactly by run_line.exe. Where Wine differs from Windows as the emulated
// machine shows it, the case says so and gives Wine's result.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdio>
#include <memory>

#include "e2e/cases.h"
#include "platform/emulated/reg_file.h"
#include "windows/wine.h"

namespace dorvix {
namespace {

const std::string kExe = DORVIX_EXE_X86_64;
const std::string kRunLine = DORVIX_RUN_LINE_X86_64;

WinePrefix* g_wine = nullptr;
std::string g_wine_failure;  // why Wine could not be started

class WineEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (ReadFile(kExe).empty() || ReadFile(kRunLine).empty()) {
      g_wine_failure = "no " + kExe + " or " + kRunLine +
                       ": build them first (cmake --workflow --preset windows-x86_64)";
      return;
    }
    wine_.reset(new WinePrefix);
    if (!wine_->Start(&g_wine_failure)) return;
    g_wine = wine_.get();
  }
  void TearDown() override {
    g_wine = nullptr;
    if (wine_) wine_->Stop();
  }

 private:
  std::unique_ptr<WinePrefix> wine_;
};

// Every test needs Wine: without it each one fails and says why.
#define REQUIRE_WINE() ASSERT_NE(g_wine, nullptr) << g_wine_failure

// What dorvix reads and writes, cleared before every case: Wine's registry
// keeps its state from one program to the next.
const char kClearedMachine[] =
    "REGEDIT4\r\n"
    "\r\n"
    "[-HKEY_CURRENT_USER\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices]\r\n"
    "\r\n"
    "[-HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Print\\Printers]\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\Wine]\r\n"
    "\"Version\"=-\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows]\r\n"
    "\"Device\"=-\r\n"
    "\r\n";

// Loads the machine of the file `fixture` (empty: no printers at all) into
// Wine's registry.
void LoadMachine(const std::string& fixture) {
  std::string text = kClearedMachine;
  if (!fixture.empty()) {
    const std::string file = ReadFile(kSourceRoot + "/" + fixture);
    ASSERT_FALSE(file.empty()) << fixture;
    // The fixture without its own header line.
    text += file.substr(file.find('\n') + 1);
  }
  const std::string path = g_wine->folder() + "/machine.reg";
  WriteFile(path, text);
  std::string error;
  ASSERT_TRUE(g_wine->ImportRegistry(path, &error)) << error;
}

std::string Hex(const std::string& bytes) {
  std::string hex;
  for (unsigned char c : bytes) {
    char digits[3];
    snprintf(digits, sizeof digits, "%02x", c);
    hex += digits;
  }
  return hex;
}

// Runs dorvix.exe with exactly `line` as its command line.
ProcessResult RunLine(const std::string& line) {
  return g_wine->Run({kRunLine, WinePrefix::WindowsPath(kExe), Hex(line)});
}

// Text of code page 1252 in another encoding.
std::string FromAnsi(const std::string& ansi, const char* encoding) {
  iconv_t convert = iconv_open(encoding, "CP1252");
  if (convert == reinterpret_cast<iconv_t>(-1)) return "(no iconv to " + std::string(encoding) + ")";
  std::string in = ansi;
  std::string out(ansi.size() * 4, '\0');
  char* in_bytes = &in[0];
  char* out_bytes = &out[0];
  size_t in_left = in.size();
  size_t out_left = out.size();
  const size_t done = iconv(convert, &in_bytes, &in_left, &out_bytes, &out_left);
  iconv_close(convert);
  if (done == static_cast<size_t>(-1)) return "(" + ansi + " has no form in " + encoding + ")";
  out.resize(out.size() - out_left);
  return out;
}

// Wine's reg prints in the OEM code page, 437; it takes its arguments from
// the command line of Linux, in UTF-8.
std::string OemText(const std::string& ansi) { return FromAnsi(ansi, "CP437"); }
std::string Utf8Text(const std::string& ansi) { return FromAnsi(ansi, "UTF-8"); }

// The line with which `reg query KEY /v NAME` shows `value`.
std::string RegQueryLine(const emulated::RegValue& value) {
  std::string shown;
  if (value.type == emulated::kTypeString) {
    shown = "REG_SZ    " + OemText(value.data.substr(0, value.data.find('\0')));
  } else if (value.type == emulated::kTypeDword && value.data.size() == 4) {
    uint32_t number = 0;
    for (int i = 3; i >= 0; --i) {
      number = number << 8 | static_cast<unsigned char>(value.data[static_cast<size_t>(i)]);
    }
    char hex[16];
    snprintf(hex, sizeof hex, "0x%x", number);
    shown = std::string("REG_DWORD    ") + hex;
  } else {
    shown = "(a value of type " + std::to_string(value.type) + ")";
  }
  return "    " + OemText(value.name) + "    " + shown + "\r\n";
}

// Every key of `key`'s tree that holds values, with its path.
void KeysWithValues(const emulated::RegKey& key, const std::string& path,
                    std::vector<std::pair<std::string, const emulated::RegKey*>>* keys) {
  if (!key.values.empty()) keys->push_back({path, &key});
  for (const auto& subkey : key.subkeys) {
    KeysWithValues(*subkey, path + "\\" + subkey->name, keys);
  }
}

// The registry after a case. The host compares the bytes of the whole file;
// Wine keeps its registry in a form of its own, so here every value of the
// file that the case expects (wine-registry-after, or else registry-after)
// is read back with Wine's reg. Values that Wine adds of its own are not
// looked at.
void ExpectRegistryAfter(const Case& c) {
  const std::string fixture =
      c.Has("wine-registry-after") ? c.Field("wine-registry-after") : c.Field("registry-after");
  const emulated::RegFile after =
      emulated::RegFile::Parse(ReadFile(kSourceRoot + "/" + fixture));
  std::vector<std::pair<std::string, const emulated::RegKey*>> keys;
  for (const char* root : {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"}) {
    if (const emulated::RegKey* key = after.FindKey(root)) KeysWithValues(*key, root, &keys);
  }
  ASSERT_FALSE(keys.empty()) << fixture;
  for (const auto& key : keys) {
    const ProcessResult query = g_wine->Run({"reg", "query", Utf8Text(key.first)});
    EXPECT_EQ(query.exit_status, 0) << key.first;
    for (const emulated::RegValue& value : key.second->values) {
      EXPECT_NE(query.out.find(RegQueryLine(value)), std::string::npos)
          << fixture << ": expected in " << key.first << "\n"
          << Visible(RegQueryLine(value)) << "\nreg query shows\n"
          << Visible(query.out);
    }
  }
}

class WineCases : public ::testing::TestWithParam<Case> {};

TEST_P(WineCases, GiveTheHostBuildsBytes) {
  REQUIRE_WINE();
  const Case& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(LoadMachine(c.Field("registry")));
  const ProcessResult wine = RunLine(c.CommandLine());
  ASSERT_FALSE(wine.timed_out) << "dorvix.exe did not end";
  const bool differs = c.Has("wine-stdout") || c.Has("wine-exit");
  EXPECT_EQ(Visible(wine.out), Visible(ExpectedOutput(c, "wine-stdout")));
  EXPECT_EQ(wine.exit_status,
            c.Has("wine-exit") ? std::stoi(c.Field("wine-exit")) : c.ExpectedExit());
  EXPECT_EQ(wine.err, "");
  if (c.Has("registry-after")) ExpectRegistryAfter(c);

  // The same case on the host build gives the same bytes, unless the case
  // says where Wine differs.
  if (!differs) {
    const ScratchFolder scratch;
    std::string registry;
    const ProcessResult host = RunOnHost(c, scratch.path(), &registry);
    EXPECT_TRUE(host.out == wine.out && host.exit_status == wine.exit_status)
        << "case " << c.name << ": the host build and dorvix.exe under Wine differ.\n"
        << "host build, exit status " << host.exit_status << ":\n"
        << Visible(host.out) << "\ndorvix.exe under Wine, exit status " << wine.exit_status
        << ":\n"
        << Visible(wine.out);
  }
}

std::vector<Case> WineCaseList() {
  std::vector<Case> cases;
  for (const Case& c : LoadCases()) {
    if (!c.Has("host-only")) cases.push_back(c);
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Wine, WineCases, ::testing::ValuesIn(WineCaseList()), CaseName);

// As the README shows it: wine64 dorvix.exe ARGUMENTS, the command line
// built by Wine from the arguments.
TEST(WineDirect, RunsFromTheLinuxCommandLine) {
  REQUIRE_WINE();
  ASSERT_NO_FATAL_FAILURE(LoadMachine("examples/office.reg"));
  const ProcessResult list = g_wine->Run({kExe, "/l"});
  EXPECT_EQ(Visible(list.out), Visible(ReadFile(kSourceRoot + "/tests/e2e/cases/list-office.out")));
  EXPECT_EQ(list.exit_status, 0);
  EXPECT_EQ(list.err, "");
  const ProcessResult quoted = g_wine->Run({kExe, "/s", "No Such Printer"});
  EXPECT_EQ(Visible(quoted.out), Visible("Printer 'No Such Printer' not found.\r\n"));
  EXPECT_EQ(quoted.exit_status, 0);
}

// Standard output that cannot be written: exit status 1, nothing on
// standard error, whether the write fails or there is no handle at all.
TEST(WineDirect, FailedStandardOutputEndsWithOne) {
  REQUIRE_WINE();
  ASSERT_NO_FATAL_FAILURE(LoadMachine("examples/office.reg"));
  ProcessOptions full;
  full.stdout_path = "/dev/full";
  const ProcessResult to_full = g_wine->Run({kExe, "/l"}, full);
  EXPECT_EQ(to_full.exit_status, 1);
  EXPECT_EQ(to_full.err, "");
  ProcessOptions closed;
  closed.close_stdout = true;
  const ProcessResult to_closed = g_wine->Run({kExe, "/l"}, closed);
  EXPECT_EQ(to_closed.exit_status, 1);
  EXPECT_EQ(to_closed.err, "");
}

}  // namespace
}  // namespace dorvix

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new dorvix::WineEnvironment);
  return RUN_ALL_TESTS();
}
