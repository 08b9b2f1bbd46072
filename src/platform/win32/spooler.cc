#include "platform/spooler.h"

#include <windows.h>
#include <winspool.h>

#include <cstddef>

namespace dorvix {

// The logic reads and writes the record through PrinterInfo5: it must be
// the spooler's own layout.
static_assert(sizeof(PrinterInfo5) == sizeof(PRINTER_INFO_5A), "record size");
static_assert(offsetof(PrinterInfo5, attributes) == offsetof(PRINTER_INFO_5A, Attributes),
              "attributes offset");
static_assert(offsetof(PrinterInfo5, transmission_retry_timeout) ==
                  offsetof(PRINTER_INFO_5A, TransmissionRetryTimeout),
              "time-out offset");
static_assert(kPrinterAttributeDefault == PRINTER_ATTRIBUTE_DEFAULT, "default bit");

bool OpenSpoolerPrinter(const char* name, PrinterHandle* handle) {
  HANDLE opened = nullptr;
  const BOOL ok = OpenPrinterA(const_cast<char*>(name), &opened, nullptr);
  *handle = reinterpret_cast<PrinterHandle>(opened);
  return ok != 0;
}

bool GetSpoolerPrinter(PrinterHandle handle, uint32_t level, unsigned char* buffer,
                       uint32_t size, uint32_t* needed) {
  DWORD bytes_needed = 0;
  const BOOL ok = GetPrinterA(reinterpret_cast<HANDLE>(handle), level, buffer, size,
                              &bytes_needed);
  *needed = bytes_needed;
  return ok != 0;
}

bool SetSpoolerPrinter(PrinterHandle handle, uint32_t level, unsigned char* buffer,
                       uint32_t command) {
  return SetPrinterA(reinterpret_cast<HANDLE>(handle), level, buffer, command) != 0;
}

bool CloseSpoolerPrinter(PrinterHandle handle) {
  return ClosePrinter(reinterpret_cast<HANDLE>(handle)) != 0;
}

}  // namespace dorvix
