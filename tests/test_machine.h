// A fresh emulated machine for every test, with standard output collected.
#ifndef DORVIX_TESTS_TEST_MACHINE_H_
#define DORVIX_TESTS_TEST_MACHINE_H_

#include <gtest/gtest.h>

#include <string>

namespace dorvix {

class MachineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs the whole program on `command_line`, as the process would, and
  // returns its exit status; what it wrote is in output_.
  int Run(const std::string& command_line);

  std::string output_;
};

// A REGEDIT4 file holding `body` after its header line.
std::string RegFileText(const std::string& body);

// An NT machine whose Devices key holds `values` (REGEDIT4 value lines), and
// a Windows 98 machine whose Printers key has the subkeys `printers`
// (REGEDIT4 section lines and their values).
std::string NtMachine(const std::string& values);
std::string Win98Machine(const std::string& printers);

}  // namespace dorvix

#endif  // DORVIX_TESTS_TEST_MACHINE_H_
