#include "e2e/fault_support.h"

#include <dirent.h>
#include <ftw.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace dorvix {
namespace faults {

namespace {

const char kDevicesKey[] =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices";
const char kWindowsKey[] =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
const char kPrintersKey[] =
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Print\\Printers";

ProcessOptions WithRegistry(ProcessOptions options, const std::string& registry) {
  options.environment.push_back("DORVIX_REGISTRY=" + registry);
  return options;
}

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
  chmod(path, 0700);  // a read-only folder of a test
  return remove(path);
}

int OpenUp(const char* path, const struct stat*, int type, struct FTW*) {
  if (type == FTW_D || type == FTW_DNR) chmod(path, 0700);
  return 0;
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

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

TempFolder::TempFolder() {
  char pattern[] = "/tmp/dorvix-faults-XXXXXX";
  path_ = mkdtemp(pattern);
}

TempFolder::~TempFolder() {
  nftw(path_.c_str(), OpenUp, 16, FTW_PHYS);
  nftw(path_.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

std::vector<std::string> TempFolder::Names() const {
  std::vector<std::string> names;
  DIR* dir = opendir(path_.c_str());
  if (dir == nullptr) return names;
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

std::string RegQuoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string NtRegistry(const std::vector<std::string>& names,
                       const std::vector<std::string>& entries, const std::string& device) {
  std::string text = "REGEDIT4\r\n\r\n[" + std::string(kDevicesKey) + "]\r\n";
  for (size_t i = 0; i < names.size(); ++i) {
    text += RegQuoted(names[i]) + "=" + RegQuoted(entries[i]) + "\r\n";
  }
  text += "\r\n[" + std::string(kWindowsKey) + "]\r\n\"Spooler\"=\"yes\"\r\n" +
          "\"Device\"=" + RegQuoted(device) + "\r\n\"DeviceNotSelectedTimeout\"=\"15\"\r\n";
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

std::string Visible(const std::string& bytes) {
  std::string out;
  for (size_t i = 0; i < bytes.size() && i < 2000; ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c == '\n') {
      out += "\\n\n";
    } else if (c < 32 || c >= 127) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  if (bytes.size() > 2000) out += "... (" + std::to_string(bytes.size()) + " bytes)";
  return out;
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
