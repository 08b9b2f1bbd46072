#include "e2e/fault_support.h"

#include "platform/emulated/machine.h"
#include "platform/emulated/reg_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

namespace dorvix {
namespace faults {

namespace {

using emulated::kDevicesKey;
using emulated::kPrintersKey;
using emulated::kWindowsKey;

ProcessOptions WithRegistry(ProcessOptions options, const std::string& registry) {
  options.environment.push_back("DORVIX_REGISTRY=" + registry);
  return options;
}

}  // namespace

ProcessResult RunDorvix(const std::string& line, const std::string& registry,
                        ProcessOptions options) {
  options.environment.push_back("DORVIX_COMMAND_LINE=" + line);
  return RunProcess({DORVIX_PROGRAM}, WithRegistry(options, registry));
}

ProcessResult RunDorvixArgv(const std::vector<std::string>& argv,
                            const std::string& registry, ProcessOptions options) {
  std::vector<std::string> full = {DORVIX_PROGRAM};
  full.insert(full.end(), argv.begin(), argv.end());
  options.environment.push_back("DORVIX_COMMAND_LINE=");
  return RunProcess(full, WithRegistry(options, registry));
}

std::string NtRegistry(const std::vector<std::string>& names,
                       const std::vector<std::string>& entries, const std::string& device) {
  std::string text = "REGEDIT4\r\n\r\n[" + std::string(kDevicesKey) + "]\r\n";
  for (size_t i = 0; i < names.size(); ++i) {
    text += emulated::Quoted(names[i]) + "=" + emulated::Quoted(entries[i]) + "\r\n";
  }
  text += "\r\n[" + std::string(kWindowsKey) + "]\r\n\"Spooler\"=\"yes\"\r\n" +
          "\"Device\"=" + emulated::Quoted(device) + "\r\n\"DeviceNotSelectedTimeout\"=\"15\"\r\n";
  return text;
}

std::string Win98Registry(const std::vector<std::string>& names,
                          const std::vector<unsigned>& attributes) {
  std::string text =
      "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine]\r\n\"Version\"=\"win98\"\r\n";
  for (size_t i = 0; i < names.size(); ++i) {
    char dword[16];
    std::snprintf(dword, sizeof dword, "%08x", attributes[i]);
    text += "\r\n[" + std::string(kPrintersKey) + "\\" + names[i] + "]\r\n" +
            "\"Port\"=\"LPT1:\"\r\n\"Attributes\"=dword:" + dword +
            "\r\n\"dnsTimeout\"=dword:00003a98\r\n";
  }
  return text;
}

std::string Listing(const std::vector<std::string>& names) {
  std::string text = "\r\nNo: Printer Name\r\n" + std::string(80, '-');
  for (size_t i = 0; i < names.size(); ++i) {
    text += " " + std::to_string(i) + ": " + names[i] + "\r\n";
  }
  return text;
}

::testing::AssertionResult EndedWith(const ProcessResult& result, int status) {
  if (result.timed_out) return ::testing::AssertionFailure() << "timed out";
  if (result.signal != 0) {
    return ::testing::AssertionFailure() << "ended by signal " << result.signal;
  }
  if (!result.err.empty()) {
    return ::testing::AssertionFailure() << "wrote to standard error: " << result.err;
  }
  if (result.exit_status != status) {
    return ::testing::AssertionFailure() << "exit status " << result.exit_status;
  }
  return ::testing::AssertionSuccess();
}

}  // namespace faults
}  // namespace dorvix
