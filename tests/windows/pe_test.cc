// What the Windows exes are made of, read with the mingw-w64 objdump and
// windres: the DLLs and functions they import, their PE headers, their
// resources.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

#include "e2e/cases.h"
#include "e2e/run_process.h"

namespace dorvix {
namespace {

struct Build {
  std::string name;     // as in the presets: windows-<name>
  std::string exe;
  std::string objdump;  // the mingw-w64 tools of its target
  std::string windres;
};

void PrintTo(const Build& build, std::ostream* out) { *out << build.name; }

std::vector<Build> Builds() {
  return {
      {"x86_64", DORVIX_EXE_X86_64, DORVIX_OBJDUMP_X86_64, DORVIX_WINDRES_X86_64},
      {"i686", DORVIX_EXE_I686, DORVIX_OBJDUMP_I686, DORVIX_WINDRES_I686},
  };
}

// The output of a tool run on the build's exe; fails the test when the exe
// or the tool is missing.
std::string ToolOutput(const Build& build, const std::vector<std::string>& argv) {
  if (ReadFile(build.exe).empty()) {
    ADD_FAILURE() << "no " << build.exe << ": build it first (cmake --workflow --preset windows-"
                  << build.name << ")";
    return std::string();
  }
  const ProcessResult result = RunProcess(argv);
  if (result.exit_status != 0) {
    ADD_FAILURE() << argv[0] << " failed: " << result.err;
  }
  return result.out;
}

std::string PeHeaders(const Build& build) {
  return ToolOutput(build, {build.objdump, "-p", build.exe});
}

// "DLL FUNCTION" for every function imported by name, from objdump -p:
//   <tab>DLL Name: KERNEL32.dll
//   <tab>vma:  Hint/Ord Member-Name Bound-To
//   <tab>3d39e<tab>  136  CloseHandle
std::set<std::string> Imports(const std::string& headers) {
  std::set<std::string> imports;
  std::istringstream lines(headers);
  std::string dll;
  for (std::string line; std::getline(lines, line);) {
    if (line.compare(0, 11, "\tDLL Name: ") == 0) {
      dll = line.substr(11);
    } else if (line.empty()) {
      dll.clear();
    } else if (!dll.empty() && line.compare(0, 5, "\tvma:") != 0) {
      const size_t name = line.find_last_of(" \t");
      imports.insert(dll + " " + line.substr(name + 1));
    }
  }
  return imports;
}

// The lines of a pinned list, without comments and blank lines.
std::set<std::string> PinnedLines(const std::string& path) {
  std::set<std::string> lines;
  std::istringstream text(ReadFile(path));
  for (std::string line; std::getline(text, line);) {
    if (!line.empty() && line[0] != '#') lines.insert(line);
  }
  return lines;
}

std::string Listed(const std::set<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += "  " + line + "\n";
  return text;
}

class WindowsBuild : public ::testing::TestWithParam<Build> {};

// Every import is a deliberate change: a new one fails here until the list
// is updated, and the i686 list is checked against Windows 95 and NT 4.0.
TEST_P(WindowsBuild, ImportsExactlyThePinnedFunctions) {
  const Build& build = GetParam();
  const std::string pinned_file =
      kSourceRoot + "/tests/windows/imports-" + build.name + ".txt";
  const std::set<std::string> pinned = PinnedLines(pinned_file);
  ASSERT_FALSE(pinned.empty()) << pinned_file;
  const std::set<std::string> imported = Imports(PeHeaders(build));
  std::set<std::string> added, gone;
  std::set_difference(imported.begin(), imported.end(), pinned.begin(), pinned.end(),
                      std::inserter(added, added.end()));
  std::set_difference(pinned.begin(), pinned.end(), imported.begin(), imported.end(),
                      std::inserter(gone, gone.end()));
  EXPECT_TRUE(added.empty() && gone.empty())
      << build.exe << " differs from " << pinned_file << "\nimported, not pinned:\n"
      << Listed(added) << "pinned, not imported:\n"
      << Listed(gone);
}

// The exe needs nothing but DLLs of Windows itself: no C++ run-time, no
// libgcc, no winpthread DLL to ship beside it.
TEST_P(WindowsBuild, ImportsOnlyFromWindowsItself) {
  const std::set<std::string> windows_dlls = {"KERNEL32.DLL", "ADVAPI32.DLL", "USER32.DLL",
                                              "WINSPOOL.DRV", "MSVCRT.DLL"};
  for (const std::string& import : Imports(PeHeaders(GetParam()))) {
    std::string dll = import.substr(0, import.find(' '));
    std::transform(dll.begin(), dll.end(), dll.begin(), ::toupper);
    EXPECT_EQ(windows_dlls.count(dll), 1u) << import;
  }
}

TEST_P(WindowsBuild, IsAConsoleProgramWithoutPathsOfTheBuild) {
  const Build& build = GetParam();
  EXPECT_NE(PeHeaders(build).find("\nSubsystem\t\t00000003\t(Windows CUI)\n"),
            std::string::npos);
  const std::string bytes = ReadFile(build.exe);
  EXPECT_EQ(bytes.find(kSourceRoot), std::string::npos);
  EXPECT_EQ(bytes.find(build.exe.substr(0, build.exe.rfind('/'))), std::string::npos);
}

// The version resource and the manifest, as windres reads them back.
TEST_P(WindowsBuild, CarriesItsVersionAndManifest) {
  const Build& build = GetParam();
  const std::string rc = ToolOutput(build, {build.windres, "-i", build.exe, "-O", "rc"});
  const std::string version = DORVIX_VERSION;
  const std::string major = version.substr(0, version.find('.'));
  const std::string minor = version.substr(version.find('.') + 1);
  for (const std::string& expected : {
           "1 VERSIONINFO\n FILEVERSION " + major + ", " + minor + ", 0, 0\n PRODUCTVERSION " +
               major + ", " + minor + ", 0, 0\n",
           std::string("BLOCK \"040904E4\""),
           std::string("VALUE \"FileDescription\", \"Lists the installed printers and sets the "
                       "default printer\""),
           "VALUE \"FileVersion\", \"" + version + "\"",
           std::string("VALUE \"OriginalFilename\", \"dorvix.exe\""),
           std::string("VALUE \"ProductName\", \"dorvix\""),
           "VALUE \"ProductVersion\", \"" + version + "\"",
           std::string("VALUE \"Translation\", 0x409, 1252"),
           // The manifest: resource 1 of type RT_MANIFEST (24).
           std::string("1 24 /* RT_MANIFEST */"),
           "name=\"\"dorvix\"\" version=\"\"" + version + ".0.0\"\"",
           std::string("<requestedExecutionLevel level=\"\"asInvoker\"\" uiAccess=\"\"false\"\"/>"),
           // Windows 10 and 11, the last of the supported versions.
           std::string("<supportedOS Id=\"\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"\"/>"),
       }) {
    EXPECT_NE(rc.find(expected), std::string::npos) << expected << "\nin:\n" << rc;
  }
}

std::string BuildName(const ::testing::TestParamInfo<Build>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Windows, WindowsBuild, ::testing::ValuesIn(Builds()), BuildName);

// The 32-bit exe must load on Windows 95 and NT 4.0: their loaders refuse a
// subsystem version above 4.0, and refuse to start a program that imports a
// function they do not export.
TEST(I686Build, LoadsOnWindows95AndNt4) {
  const Build build = Builds()[1];
  const std::string headers = PeHeaders(build);
  for (const char* field : {"MajorOSystemVersion\t4\n", "MinorOSystemVersion\t0\n",
                            "MajorSubsystemVersion\t4\n", "MinorSubsystemVersion\t0\n"}) {
    EXPECT_NE(headers.find(field), std::string::npos) << field;
  }
  // Functions that Windows 95 or NT 4.0 lacks and that a GNU tool chain is
  // known to reach for: the thread support of later Windows, 64-bit tick
  // counts, vectored exception handlers, and the run-time functions of
  // msvcrt.dll versions after 6.0.
  const std::set<std::string> later = {
      "AcquireSRWLockExclusive", "AddVectoredContinueHandler", "AddVectoredExceptionHandler",
      "CreateEventExA", "CreateEventExW", "CreateMutexExW", "CreateSemaphoreExW",
      "FlsAlloc", "FlsFree", "FlsGetValue", "FlsSetValue", "GetCurrentProcessorNumber",
      "GetFileAttributesExA", "GetFileAttributesExW", "GetFileSizeEx", "GetModuleHandleExA",
      "GetModuleHandleExW", "GetNativeSystemInfo", "GetSystemTimePreciseAsFileTime",
      "GetTickCount64", "InitOnceExecuteOnce", "InitializeConditionVariable",
      "InitializeCriticalSectionAndSpinCount", "InitializeCriticalSectionEx",
      "InitializeSRWLock", "InterlockedCompareExchange", "InterlockedExchangeAdd",
      "IsDebuggerPresent", "IsProcessorFeaturePresent",
      "ReleaseSRWLockExclusive", "RemoveVectoredContinueHandler",
      "RemoveVectoredExceptionHandler", "SetFilePointerEx", "SetThreadStackGuarantee",
      "SleepConditionVariableCS", "SwitchToThread", "TryEnterCriticalSection",
      "WaitOnAddress", "WakeAllConditionVariable", "WakeConditionVariable",
      "___lc_codepage_func", "___mb_cur_max_func", "__iob_func", "_aligned_free",
      "_aligned_malloc", "_get_output_format", "_set_invalid_parameter_handler",
      "_vscprintf", "_time64", "_localtime64", "_fstat64"};
  for (const std::string& import : Imports(headers)) {
    const std::string function = import.substr(import.find(' ') + 1);
    EXPECT_EQ(later.count(function), 0u) << import << " is not in Windows 95 or NT 4.0";
    EXPECT_EQ(import.find("pthread"), std::string::npos) << import;
  }
}

}  // namespace
}  // namespace dorvix
