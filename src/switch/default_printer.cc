#include "switch/default_printer.h"

#include <cstring>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/printer_name.h"
#include "cli/arguments.h"
#include "platform/console.h"
#include "platform/profile.h"
#include "platform/spooler.h"
#include "platform/version.h"

namespace dorvix {

namespace {

// The level of PRINTER_INFO_5, and SetPrinterA's command argument 4, which
// the Windows 95/98/Me spooler takes with a level-5 record.
constexpr uint32_t kLevel5 = 5;
constexpr uint32_t kSetPrinterCommand = 4;

// Closes a spooler handle however the switch is left.
class OpenPrinter {
 public:
  explicit OpenPrinter(PrinterHandle handle) : handle_(handle) {}
  ~OpenPrinter() { CloseSpoolerPrinter(handle_); }
  OpenPrinter(const OpenPrinter&) = delete;
  OpenPrinter& operator=(const OpenPrinter&) = delete;
  PrinterHandle get() const { return handle_; }

 private:
  PrinterHandle handle_;
};

}  // namespace

bool SetDefaultByProfile(int32_t index) {
  const size_t i = static_cast<size_t>(index);
  // The whole device string goes to the profile, however long: a name of 99
  // bytes and an entry of 253 do not fit a fixed buffer.
  const std::string device = PrinterNames[i] + "," + DeviceEntries[i];
  if (!WriteProfileEntry("windows", "device", device.c_str())) return false;
  SendWindowMessage(kHwndBroadcast, kWmWininichange, 0, 0);
  return true;
}

bool SetDefaultByAttribute(int32_t index) {
  const std::string& name = PrinterNames[static_cast<size_t>(index)];
  // Declared before the handle so that the handle is closed first and the
  // buffer released after it.
  std::vector<unsigned char> info;
  PrinterHandle handle = nullptr;
  if (!OpenSpoolerPrinter(name.c_str(), &handle)) return false;
  OpenPrinter printer(handle);

  uint32_t needed = 0;
  GetSpoolerPrinter(printer.get(), kLevel5, nullptr, 0, &needed);
  if (needed < sizeof(PrinterInfo5)) return false;

  // The record comes first in the buffer, the strings it points to after it.
  info.assign(needed, 0);
  uint32_t received = 0;
  if (!GetSpoolerPrinter(printer.get(), kLevel5, info.data(), needed,
                         &received)) {
    return false;
  }
  PrinterInfo5 record;
  std::memcpy(&record, info.data(), sizeof record);
  record.attributes |= kPrinterAttributeDefault;
  std::memcpy(info.data(), &record, sizeof record);
  return SetSpoolerPrinter(printer.get(), kLevel5, info.data(),
                           kSetPrinterCommand);
}

void SetDefaultPrinter() {
  const std::string target_name = ArgumentAt(2);
  NameMatcher target(target_name);
  bool printer_found = false;
  for (int32_t index = 0; index < PrinterCount; ++index) {
    if (!target.Matches(PrinterNames[static_cast<size_t>(index)])) continue;
    // The family is asked at every match, not taken from the catalogue.
    const bool changed = IsNtFamily() ? SetDefaultByProfile(index)
                                      : SetDefaultByAttribute(index);
    WriteStandardOutput(changed ? "Default printer successfully changed.\r\n"
                                : "Default printer could not be changed.\r\n");
    printer_found = true;
  }
  if (!printer_found) {
    WriteStandardOutput("Printer '" + target_name + "' not found.\r\n");
  }
}

}  // namespace dorvix
