// The end-to-end cases: the program as a user runs it. Each case under
// cases/ gives a machine (a fixture under fixtures/ or examples/), a command
// line, and what must come of it. The host build runs every case on the
// emulated machine; dorvix.exe runs them under Wine.
//
//   cases/NAME.case   lines "key: value", the value taken byte for byte;
//                     lines starting with # are comments:
//                       registry: examples/office.reg  the machine (default:
//                                                 none), copied for the run
//                       command: /s "My Printer"  the line after "dorvix "
//                       line: "C:\dorvix.exe"/l   or the whole command line
//                       exit: 0                   the exit status
//                       stdout: OTHER.out         shared expected output
//                       registry-after: F.reg     the copy's bytes afterwards
//                     and where Wine really differs (say why in a comment):
//                       wine-stdout: W.out        what dorvix.exe writes
//                       wine-exit: 0              and its exit status
//                       wine-registry-after: F.reg  the values it changes
//                       host-only: REASON         not run under Wine
//   cases/NAME.out    the exact bytes of standard output
#ifndef DORVIX_TESTS_E2E_CASES_H_
#define DORVIX_TESTS_E2E_CASES_H_

#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "e2e/files.h"
#include "e2e/run_process.h"

namespace dorvix {

// The root of the source tree: paths in the cases are relative to it.
extern const std::string kSourceRoot;

struct Case {
  std::string name;
  std::map<std::string, std::string> fields;
  std::string expected_out;  // the bytes of the case's .out file

  bool Has(const std::string& key) const { return fields.count(key) != 0; }
  // The field's value; the empty string when the case has none.
  std::string Field(const std::string& key) const;
  // The whole command line, the program's name first.
  std::string CommandLine() const;
  int ExpectedExit() const { return std::stoi(Field("exit")); }
};

// Every case, sorted by name.
std::vector<Case> LoadCases();

// The case's expected output read from the file that `field` names (such as
// "wine-stdout"), or its expected_out when it has no such field.
std::string ExpectedOutput(const Case& c, const std::string& field);

// Runs the host build of dorvix on the case: its registry copied into
// `folder` (the copy's path in *registry, empty without one), its command
// line given whole.
ProcessResult RunOnHost(const Case& c, const std::string& folder,
                        std::string* registry);

// Names the case in gtest's messages.
void PrintTo(const Case& c, std::ostream* out);

// The case's name as a test name: letters and digits, the rest as _.
std::string CaseName(const ::testing::TestParamInfo<Case>& info);

}  // namespace dorvix

#endif  // DORVIX_TESTS_E2E_CASES_H_
