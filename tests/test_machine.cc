#include "test_machine.h"

#include "catalogue/catalogue.h"
#include "cli/dispatcher.h"
#include "platform/emulated/machine.h"

namespace dorvix {

void MachineTest::SetUp() {
  emulated::ResetMachine();
  emulated::CaptureStandardOutput(&output_);
}

void MachineTest::TearDown() {
  emulated::CaptureStandardOutput(nullptr);
  emulated::ResetMachine();
}

int MachineTest::Run(const std::string& command_line) {
  emulated::SetCommandLine(command_line);
  output_.clear();
  return RunProgram();
}

std::string RegFileText(const std::string& body) { return "REGEDIT4\r\n\r\n" + body; }

std::string NtMachine(const std::string& values) {
  return RegFileText(
      "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices]\r\n" +
      values);
}

std::string Win98Machine(const std::string& printers) {
  return RegFileText(
      "[HKEY_CURRENT_USER\\Software\\Wine]\r\n\"Version\"=\"win98\"\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Print\\Printers]\r\n" +
      printers);
}

}  // namespace dorvix
