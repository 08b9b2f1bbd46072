// The printer catalogue: the printers installed on the computer, as the
// registry of the running Windows family names them. Program-wide state,
// filled once per list or switch request and read by the listing and the
// switch.
#ifndef DORVIX_CATALOGUE_CATALOGUE_H_
#define DORVIX_CATALOGUE_CATALOGUE_H_

#include <cstdint>
#include <string>
#include <vector>

namespace dorvix {

// Printer names in the registry's enumeration order.
extern std::vector<std::string> PrinterNames;
// NT family: the device entry of the printer at the same index of
// PrinterNames. Windows 95/98/Me: empty.
extern std::vector<std::string> DeviceEntries;
// The number of entries in PrinterNames once loading has ended.
extern int32_t PrinterCount;

// Appends the installed printers to the (empty) lists and sets PrinterCount.
// Writes nothing and reports no registry error: a key that does not open
// leaves the catalogue empty.
void LoadPrinterCatalogue();

// The lists exist for one list or switch request: created empty when this
// is constructed and freed, PrinterNames first, however the request ends.
class CatalogueLifetime {
 public:
  CatalogueLifetime();
  ~CatalogueLifetime();
  CatalogueLifetime(const CatalogueLifetime&) = delete;
  CatalogueLifetime& operator=(const CatalogueLifetime&) = delete;
};

}  // namespace dorvix

#endif  // DORVIX_CATALOGUE_CATALOGUE_H_
