// The print spooler's printer records.
#ifndef DORVIX_PLATFORM_SPOOLER_H_
#define DORVIX_PLATFORM_SPOOLER_H_

#include <cstdint>

namespace dorvix {

struct SpoolerPrinter;
using PrinterHandle = SpoolerPrinter*;

// The level-5 printer record, laid out as the spooler's PRINTER_INFO_5A; the
// strings it points to follow it in the same buffer.
struct PrinterInfo5 {
  char* printer_name;
  char* port_name;
  uint32_t attributes;
  uint32_t device_not_selected_timeout;
  uint32_t transmission_retry_timeout;
};

constexpr uint32_t kPrinterAttributeDefault = 0x4;

// OpenPrinterA(name, handle, NULL).
bool OpenSpoolerPrinter(const char* name, PrinterHandle* handle);

// GetPrinterA. With too small a buffer (or none) it fails and reports the
// size it needs in *needed.
bool GetSpoolerPrinter(PrinterHandle handle, uint32_t level,
                       unsigned char* buffer, uint32_t size, uint32_t* needed);

// SetPrinterA.
bool SetSpoolerPrinter(PrinterHandle handle, uint32_t level,
                       unsigned char* buffer, uint32_t command);

// ClosePrinter.
bool CloseSpoolerPrinter(PrinterHandle handle);

}  // namespace dorvix

#endif  // DORVIX_PLATFORM_SPOOLER_H_
