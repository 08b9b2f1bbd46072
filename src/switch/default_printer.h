// The switch request: makes a printer of the catalogue the system's default
// printer, by the mechanism of the running Windows family.
#ifndef DORVIX_SWITCH_DEFAULT_PRINTER_H_
#define DORVIX_SWITCH_DEFAULT_PRINTER_H_

#include <cstdint>

namespace dorvix {

// Compares argument 2 with every catalogue entry, without regard to letter
// case, and switches to each entry that matches, reporting each switch; when
// none matches, reports the name as typed as not found.
void SetDefaultPrinter();

// NT family: writes "<name>,<device entry>" of entry `index` to the "device"
// key of the profile's "windows" section and tells every window. False when
// the profile could not be written.
bool SetDefaultByProfile(int32_t index);

// Windows 95, 98 and Me: sets the default attribute in the spooler's level-5
// record of entry `index`. False when the record could not be read or
// written.
bool SetDefaultByAttribute(int32_t index);

}  // namespace dorvix

#endif  // DORVIX_SWITCH_DEFAULT_PRINTER_H_
